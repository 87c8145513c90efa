/* The part of iconv that libmdb and the Access reader use, on Windows' own code-page conversions:
 * UTF-8, UTF-16LE (also named UCS-2LE) and the Windows and IBM code pages. */
#ifndef TRELOMAR_ICONV_H
#define TRELOMAR_ICONV_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
typedef void* iconv_t;
iconv_t iconv_open(const char* tocode, const char* fromcode);
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft);
int iconv_close(iconv_t cd);
#ifdef __cplusplus
}
#endif
#endif
