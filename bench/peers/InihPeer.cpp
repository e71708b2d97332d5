#include "bench/peers/Peers.h"

#include <ini.h>

#include <stdexcept>
#include <strings.h>

namespace tallowby::bench {
namespace {

class InihPeer final : public Contender {
public:
    explicit InihPeer(const std::filesystem::path &file) : Contender("inih", Kind::Store, file) {}

    std::string Get(const std::string &key) override
    {
        Search search{key.c_str()};
        if (ini_parse(File().c_str(), &Found, &search) < 0)
            throw std::runtime_error("inih: cannot read the file");
        return search.value;
    }

private:
    struct Search {
        const char *key;
        std::string value = "none";
        bool found = false;
    };

    // inih reads the whole file whatever the handler returns; the first
    // match wins, as in the private-profile calls.
    static int Found(void *user, const char *section, const char *name, const char *value)
    {
        auto &search = *static_cast<Search *>(user);
        if (!search.found && ::strcasecmp(section, "ExcelData") == 0 && ::strcasecmp(name, search.key) == 0) {
            search.value = value;
            search.found = true;
        }
        return 1;
    }
};

} // namespace

std::unique_ptr<Contender> MakeInihPeer(const std::filesystem::path &file) { return std::make_unique<InihPeer>(file); }

} // namespace tallowby::bench
