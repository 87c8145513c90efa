/* iconv on MultiByteToWideChar/WideCharToMultiByte. Conversion goes through UTF-16; input that
 * does not fit the output is converted in a shorter prefix ending on a character boundary. */
#include "iconv.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

enum { Utf16 = 1200 };

typedef struct { unsigned from, to; } Converter;

static int ieq(const char* a, const char* b) { return _stricmp(a, b) == 0; }

/* The code page a name stands for, or 0. */
static unsigned codePage(const char* name)
{
    static const struct { const char* name; unsigned page; } named[] = {
        { "UTF-8", CP_UTF8 }, { "UTF8", CP_UTF8 }, { "UCS-2LE", Utf16 }, { "UTF-16LE", Utf16 },
        { "SHIFT-JIS", 932 }, { "SHIFT_JIS", 932 }, { "BIG-5", 950 }, { "BIG5", 950 },
        { "BIG5-HKSCS", 951 }, { "LATIN1", 28591 }, { "ISO-8859-1", 28591 }, { "ISO-8859-2", 28592 },
    };
    for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i)
        if (ieq(name, named[i].name))
            return named[i].page;
    static const char* const prefixes[] = { "WINDOWS-", "CP", "IBM" };
    for (size_t i = 0; i < sizeof prefixes / sizeof prefixes[0]; ++i) {
        const size_t n = strlen(prefixes[i]);
        if (_strnicmp(name, prefixes[i], n) == 0 && name[n] >= '0' && name[n] <= '9') {
            char* end;
            const unsigned long page = strtoul(name + n, &end, 10);
            if (*end == '\0' && page != Utf16 && IsValidCodePage((UINT)page))
                return (unsigned)page;
        }
    }
    return 0;
}

iconv_t iconv_open(const char* tocode, const char* fromcode)
{
    const unsigned to = codePage(tocode), from = codePage(fromcode);
    if (!to || !from) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    Converter* c = malloc(sizeof *c);
    if (!c) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    c->from = from;
    c->to = to;
    return c;
}

int iconv_close(iconv_t cd)
{
    free(cd);
    return 0;
}

/* Bytes of the input that end on a character boundary, at most n. */
static size_t boundary(unsigned page, const unsigned char* in, size_t n)
{
    if (page == Utf16) {
        n &= ~(size_t)1;
        if (n >= 2 && (in[n - 1] & 0xFC) == 0xD8) /* a high surrogate waits for its low half */
            n -= 2;
    } else if (page == CP_UTF8) {
        while (n > 0 && (in[n] & 0xC0) == 0x80)
            --n;
    } else if (IsDBCSLeadByteEx(page, in[n > 0 ? n - 1 : 0]) && n > 0) {
        --n;
    }
    return n;
}

/* The input as UTF-16 in *wide (allocated), its length in units; -1 when it is not valid. */
static int toWide(unsigned page, const char* in, size_t n, wchar_t** wide)
{
    if (page == Utf16) {
        *wide = malloc(n + 2);
        memcpy(*wide, in, n);
        return (int)(n / 2);
    }
    const int units = n ? MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in, (int)n, NULL, 0) : 0;
    if (n && units == 0)
        return -1;
    *wide = malloc(((size_t)units + 1) * sizeof(wchar_t));
    if (units)
        MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in, (int)n, *wide, units);
    return units;
}

/* Converts n bytes of input; returns the bytes written, or -1 when they do not fit or are invalid. */
static long convert(const Converter* c, const char* in, size_t n, char* out, size_t room)
{
    wchar_t* wide = NULL;
    const int units = toWide(c->from, in, n, &wide);
    long written = -1;
    if (units >= 0) {
        if (c->to == Utf16) {
            if ((size_t)units * 2 <= room) {
                if (out)
                    memcpy(out, wide, (size_t)units * 2);
                written = units * 2;
            }
        } else if (units == 0) {
            written = 0;
        } else {
            const int need = WideCharToMultiByte(c->to, 0, wide, units, NULL, 0, NULL, NULL);
            if (need > 0 && (size_t)need <= room)
                written = out ? WideCharToMultiByte(c->to, 0, wide, units, out, need, NULL, NULL) : need;
        }
    }
    free(wide);
    return written;
}

/* Where the character starting at pos ends. */
static size_t nextChar(unsigned page, const unsigned char* in, size_t pos, size_t n)
{
    size_t next = pos + 1;
    if (page == Utf16)
        next = pos + ((in[pos + 1] & 0xFC) == 0xD8 ? 4 : 2);
    else if (page == CP_UTF8)
        while (next < n && (in[next] & 0xC0) == 0x80)
            ++next;
    else if (page != CP_UTF8 && IsDBCSLeadByteEx(page, in[pos]))
        next = pos + 2;
    return next < n ? next : n;
}

static size_t advance(char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft, size_t in, long out)
{
    *inbuf += in;
    *inbytesleft -= in;
    *outbuf += out;
    *outbytesleft -= (size_t)out;
    return in;
}

size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft)
{
    if (!inbuf || !*inbuf)
        return 0; /* stateless: nothing to reset */
    const Converter* c = cd;
    const unsigned char* in = (const unsigned char*)*inbuf;
    const size_t n = boundary(c->from, in, *inbytesleft);
    /* The longest run of whole, valid characters that fits the output, one character at a time
     * once the whole input does not fit or is not valid. */
    long written = convert(c, *inbuf, n, *outbuf, *outbytesleft);
    if (written >= 0) {
        advance(inbuf, inbytesleft, outbuf, outbytesleft, n, written);
        if (*inbytesleft == 0)
            return 0;
        errno = EINVAL; /* an incomplete character at the end */
        return (size_t)-1;
    }
    size_t good = 0;
    long goodWritten = 0;
    int error = EILSEQ;
    if (convert(c, *inbuf, n, NULL, (size_t)-1 / 2) >= 0) {
        /* Valid but too long for the output: the longest prefix that fits, found by halving. */
        error = E2BIG;
        size_t lo = 0, hi = n;
        while (hi - lo > 1) {
            const size_t mid = boundary(c->from, in, lo + (hi - lo) / 2);
            const long w = mid > lo ? convert(c, *inbuf, mid, NULL, *outbytesleft) : -1;
            if (w >= 0)
                lo = mid;
            else if (mid > lo)
                hi = mid;
            else
                break;
        }
        good = lo;
        goodWritten = convert(c, *inbuf, good, *outbuf, *outbytesleft);
    } else {
        /* Not valid: every whole character before the first bad one. */
        while (good < n) {
            const size_t next = nextChar(c->from, in, good, n);
            const long w = convert(c, *inbuf, next, *outbuf, *outbytesleft);
            if (w < 0) {
                if (convert(c, *inbuf, next, NULL, (size_t)-1 / 2) >= 0)
                    error = E2BIG;
                break;
            }
            good = next;
            goodWritten = w;
        }
    }
    advance(inbuf, inbytesleft, outbuf, outbytesleft, good, goodWritten);
    errno = error;
    return (size_t)-1;
}
