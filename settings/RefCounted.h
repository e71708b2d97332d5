#pragma once

#include <cstdint>
#include <utility>

namespace tallowby {

// Intrusive reference count of the window object. It starts at one, owned by
// whoever created the object; the object deletes itself when the count
// drops to zero. Single-threaded, as the program is.
class RefCounted {
public:
    RefCounted(const RefCounted &) = delete;
    RefCounted &operator=(const RefCounted &) = delete;

    void AddRef() { ++count_; }
    void Release()
    {
        if (--count_ == 0)
            LastReferenceGone();
    }
    std::uint32_t RefCount() const { return count_; }

protected:
    RefCounted() = default;
    // Deletes the object; an object owned in another way says how it goes.
    virtual void LastReferenceGone() { delete this; }
    // Pure, so the optimiser never guesses that a bare RefCounted is being
    // deleted (GCC 12 at -O2 then warns of a delete at an offset).
    virtual ~RefCounted() = 0;

private:
    std::uint32_t count_ = 1;
};

inline RefCounted::~RefCounted() = default;

// Owner of one reference, like std::shared_ptr over an intrusive count.
template <typename T>
class Ref {
public:
    Ref() = default;
    // Takes a new reference on `object`.
    explicit Ref(T *object) : object_(object)
    {
        if (object_ != nullptr)
            object_->AddRef();
    }
    // Takes over the reference the caller already holds (from `new`).
    static Ref Adopt(T *object)
    {
        Ref ref;
        ref.object_ = object;
        return ref;
    }
    Ref(const Ref &other) : Ref(other.object_) {}
    Ref(Ref &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref &operator=(Ref other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() { reset(); }

    void reset()
    {
        if (T *object = std::exchange(object_, nullptr))
            object->Release();
    }
    T *get() const { return object_; }
    T *operator->() const { return object_; }
    T &operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T *object_ = nullptr;
};

template <typename T, typename... Args>
Ref<T> MakeRef(Args &&...args)
{
    return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

} // namespace tallowby
