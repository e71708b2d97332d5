#pragma once

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Whether the processor has AVX2 and the system keeps the wide registers
 * across switches; false off x86. */
bool tallowby_has_avx2(void);

#ifdef __cplusplus
}
#endif
