/* The C library's record of what the processor offers and the system lets
 * programs use, made once as each process starts. Asking the processor
 * again would cost every process a trap to the host in a virtual machine.
 * In C, since the C library's header for it is C. */

#include "platform/linux/ini/Avx2.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/platform/x86.h>
#endif

bool tallowby_has_avx2(void)
{
#if defined(__x86_64__) || defined(__i386__)
    return CPU_FEATURE_ACTIVE(AVX2);
#else
    return false;
#endif
}
