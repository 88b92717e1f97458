/* zvdll/limits.h — bounds that hostile input cannot exceed */
#ifndef ZVDLL_LIMITS_H
#define ZVDLL_LIMITS_H

/* ZV_MAX_FIELD_WIDTH bounds a counter field's width: a wider field (either sign) is treated
 * as exactly ZV_MAX_FIELD_WIDTH wide, keeping its alignment ($(counterA,-99999) is a
 * 4096-byte left-aligned field), so a hostile template cannot ask for gigabytes. */
#define ZV_MAX_FIELD_WIDTH 4096

#endif /* ZVDLL_LIMITS_H */
