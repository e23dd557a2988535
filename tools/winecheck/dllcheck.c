/* dllcheck: lists a module's resources the way a Windows program sees them.
 *
 *   dllcheck.exe [--image] FILE
 *
 * Loads FILE with LoadLibraryExW as a data file (or, with --image, as an image
 * resource), walks EnumResourceTypes/Names/Languages, and reads the string
 * tables through LoadStringW and the RCDATA resources through
 * FindResourceW/LoadResource/SizeofResource, as a Delphi program reading its
 * language DLL does. Output (UTF-8, one record a line, tab-separated):
 *
 *   load   MODE  ok
 *   res    TYPE  NAME  LANG  SIZE        every resource; numbers as #n
 *   str    ID    TEXT                    every string LoadStringW returns
 *   rcdata NAME  SIZE  SHA1  HEAD        every RCDATA item; HEAD: first 16 bytes
 *   settings HEX                         the whole OXV_LIBSETTINGS_ record
 *   warn   TEXT                          anything a reader would trip over
 *   note   TEXT                          a header rule of the PE format that an
 *                                        image loader may enforce (Wine does not)
 *
 * Escapes in TEXT: \\ \t \n \r, \xhh for other control characters (C0, DEL, C1) and
 * \uhhhh for the bidirectional embeddings, overrides and isolates.
 * Exit code: 0 when the module loads, 1 when not, 2 on bad arguments.
 * Strings and RCDATA names are written in the same form as
 * "phrasedesk -resinfo:FILE", so the two can be compared line by line. */

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- SHA-1 (FIPS 180-1), small and self-contained ---- */

typedef struct {
    uint32_t h[5];
    uint64_t len;
    unsigned char buf[64];
    size_t used;
} sha1_ctx;

static uint32_t rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

static void sha1_block(sha1_ctx* c, const unsigned char* p)
{
    uint32_t w[80], a, b, d, e, f, k, t, cc;
    int i;
    for (i = 0; i < 16; ++i)
        w[i] = (uint32_t)p[4 * i] << 24 | (uint32_t)p[4 * i + 1] << 16 | (uint32_t)p[4 * i + 2] << 8 | p[4 * i + 3];
    for (i = 16; i < 80; ++i) w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    a = c->h[0], b = c->h[1], cc = c->h[2], d = c->h[3], e = c->h[4];
    for (i = 0; i < 80; ++i) {
        if (i < 20)
            f = (b & cc) | (~b & d), k = 0x5A827999;
        else if (i < 40)
            f = b ^ cc ^ d, k = 0x6ED9EBA1;
        else if (i < 60)
            f = (b & cc) | (b & d) | (cc & d), k = 0x8F1BBCDC;
        else
            f = b ^ cc ^ d, k = 0xCA62C1D6;
        t = rol(a, 5) + f + e + k + w[i];
        e = d, d = cc, cc = rol(b, 30), b = a, a = t;
    }
    c->h[0] += a, c->h[1] += b, c->h[2] += cc, c->h[3] += d, c->h[4] += e;
}

static void sha1_hex(const unsigned char* data, size_t n, char out[41])
{
    sha1_ctx c = {{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0}, 0, {0}, 0};
    unsigned char tail[128];
    size_t full = n - n % 64, rest = n % 64, pad, i;
    uint64_t bits = (uint64_t)n * 8;
    for (i = 0; i < full; i += 64) sha1_block(&c, data + i);
    memcpy(tail, data + full, rest);
    tail[rest] = 0x80;
    pad = rest < 56 ? 64 : 128;
    memset(tail + rest + 1, 0, pad - rest - 1);
    for (i = 0; i < 8; ++i) tail[pad - 1 - i] = (unsigned char)(bits >> (8 * i));
    for (i = 0; i < pad; i += 64) sha1_block(&c, tail + i);
    for (i = 0; i < 5; ++i) sprintf(out + 8 * i, "%08x", (unsigned)c.h[i]);
}

/* ---- output ---- */

static void put_utf8(const WCHAR* s, int n)
{
    int i, start = 0;
    for (i = 0; i <= n; ++i) {
        WCHAR ch = i < n ? s[i] : 0;
        if (i < n && ch >= 32 && ch != '\\' && !(ch >= 0x7F && ch <= 0x9F) && !(ch >= 0x202A && ch <= 0x202E) &&
            !(ch >= 0x2066 && ch <= 0x2069))
            continue;
        if (i > start) {
            int bytes = WideCharToMultiByte(CP_UTF8, 0, s + start, i - start, NULL, 0, NULL, NULL);
            char* buf = malloc((size_t)bytes + 1);
            WideCharToMultiByte(CP_UTF8, 0, s + start, i - start, buf, bytes, NULL, NULL);
            fwrite(buf, 1, (size_t)bytes, stdout);
            free(buf);
        }
        start = i + 1;
        if (i == n) break;
        switch (ch) {
        case '\\':
            fputs("\\\\", stdout);
            break;
        case '\t':
            fputs("\\t", stdout);
            break;
        case '\n':
            fputs("\\n", stdout);
            break;
        case '\r':
            fputs("\\r", stdout);
            break;
        default:
            if (ch >= 0x2000)
                printf("\\u%04x", (unsigned)ch);
            else
                printf("\\x%02x", (unsigned)ch);
        }
    }
}

/* A resource name or type as text: #n for numbers. */
static void put_name(LPCWSTR name, int hash)
{
    if (IS_INTRESOURCE(name))
        printf(hash ? "#%u" : "%u", (unsigned)(ULONG_PTR)name);
    else
        put_utf8(name, lstrlenW(name));
}

static void put_hex(const unsigned char* p, DWORD n)
{
    DWORD i;
    for (i = 0; i < n; ++i) printf("%02x", p[i]);
}

/* ---- header rules an image mapping may check beyond Wine ---- */

static DWORD align_up(DWORD v, DWORD a) { return a ? (v + a - 1) / a * a : v; }

static void check_headers(const WCHAR* path)
{
    unsigned char h[4096];
    DWORD got = 0, nt, opt, secs, i, headers, salign, image, next;
    WORD machine, magic, nsec, optSize;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    ReadFile(f, h, sizeof h, &got, NULL);
    CloseHandle(f);
#define U16(o) ((WORD)(h[o] | h[(o) + 1] << 8))
#define U32(o) ((DWORD)U16(o) | (DWORD)U16((o) + 2) << 16)
    if (got < 64 || (nt = U32(60)) > got - 24 - 96) return;
    machine = U16(nt + 4), nsec = U16(nt + 6), optSize = U16(nt + 20);
    opt = nt + 24, magic = U16(opt);
    secs = opt + optSize;
    if (secs + 40u * nsec > got) return;
    if ((magic == 0x20B) != (machine == 0x8664 || machine == 0xAA64 || machine == 0x200))
        printf("note\tMachine 0x%x does not fit optional header magic 0x%x\n", machine, magic);
    salign = U32(opt + 32), image = U32(opt + 56), headers = U32(opt + 60);
    next = align_up(headers, salign);
    for (i = 0; i < nsec; ++i) {
        DWORD e = secs + 40 * i, vsize = U32(e + 8), va = U32(e + 12), raw = U32(e + 16);
        if (va != next)
            printf("note\tsection %lu starts at RVA 0x%lx, not right after the previous one (0x%lx)\n",
                   (unsigned long)i, (unsigned long)va, (unsigned long)next);
        next = va + align_up(vsize ? vsize : raw, salign);
    }
    if (image != next)
        printf("note\tSizeOfImage 0x%lx, the sections end at 0x%lx\n", (unsigned long)image, (unsigned long)next);
#undef U16
#undef U32
}

/* ---- walking the resources ---- */

static HMODULE module;

static BOOL CALLBACK on_lang(HMODULE m, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR p)
{
    HRSRC r = FindResourceExW(m, type, name, lang);
    (void)p;
    fputs("res\t", stdout);
    put_name(type, 1);
    putchar('\t');
    put_name(name, 1);
    printf("\t%04x\t", lang);
    if (r)
        printf("%lu\n", (unsigned long)SizeofResource(m, r));
    else
        printf("missing\n");
    return TRUE;
}

static BOOL CALLBACK on_name(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR p)
{
    (void)p;
    if (!EnumResourceLanguagesW(m, type, name, on_lang, 0)) {
        fputs("warn\tEnumResourceLanguagesW finds no language for ", stdout);
        put_name(name, 1);
        putchar('\n');
    }
    return TRUE;
}

static BOOL CALLBACK on_type(HMODULE m, LPWSTR type, LONG_PTR p)
{
    (void)p;
    if (!EnumResourceNamesW(m, type, on_name, 0)) {
        fputs("warn\tno names for type ", stdout);
        put_name(type, 1);
        putchar('\n');
    }
    return TRUE;
}

/* Every string of one string-table block: LoadStringW decides what a
 * program gets; the block's own slots are checked against it. */
static BOOL CALLBACK on_string_block(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR p)
{
    HRSRC r;
    const WCHAR* data;
    DWORD size, pos = 0;
    unsigned block, slot;
    (void)type, (void)p;
    if (!IS_INTRESOURCE(name)) {
        fputs("warn\tstring table with a name: ", stdout);
        put_name(name, 1);
        putchar('\n');
        return TRUE;
    }
    block = (unsigned)(ULONG_PTR)name;
    r = FindResourceW(m, name, (LPCWSTR)RT_STRING);
    data = r ? LockResource(LoadResource(m, r)) : NULL;
    size = r ? SizeofResource(m, r) / 2 : 0;
    if (!data) {
        printf("warn\tstring block %u cannot be loaded\n", block);
        return TRUE;
    }
    for (slot = 0; slot < 16; ++slot) {
        unsigned id = (block - 1) * 16 + slot;
        const WCHAR* text = NULL;
        int len = LoadStringW(m, id, (LPWSTR)&text, 0);
        WCHAR copy[4096];
        int copied = LoadStringW(m, id, copy, 4096);
        DWORD slotLen = pos < size ? data[pos] : 0;
        if (pos >= size)
            printf("warn\tstring block %u ends before slot %u\n", block, slot);
        else if (pos + 1 + slotLen > size)
            printf("warn\tstring %u runs past its block\n", id);
        else if ((DWORD)len != slotLen)
            printf("warn\tstring %u: LoadStringW gives %d characters, the block %lu\n", id, len,
                   (unsigned long)slotLen);
        pos += 1 + slotLen;
        if (len > 0 && len < 4095 && (copied != len || memcmp(copy, text, (size_t)len * 2) != 0))
            printf("warn\tstring %u: a copied LoadStringW differs\n", id);
        if (len <= 0) continue;
        printf("str\t%u\t", id);
        put_utf8(text, len);
        putchar('\n');
    }
    if (pos < size)
        printf("warn\tstring block %u has %lu characters after its slots\n", block, (unsigned long)(size - pos));
    return TRUE;
}

static BOOL CALLBACK on_rcdata(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR p)
{
    HRSRC r = FindResourceW(m, name, (LPCWSTR)RT_RCDATA);
    HGLOBAL g = r ? LoadResource(m, r) : NULL;
    const unsigned char* data = g ? LockResource(g) : NULL;
    DWORD size = r ? SizeofResource(m, r) : 0;
    char sha[41];
    (void)type, (void)p;
    if (!r) {
        fputs("warn\tFindResourceW does not find RCDATA ", stdout);
        put_name(name, 1);
        putchar('\n');
    } else if (!data && size) {
        fputs("warn\tRCDATA cannot be loaded: ", stdout);
        put_name(name, 1);
        putchar('\n');
        return TRUE;
    }
    sha1_hex(data, size, sha);
    fputs("rcdata\t", stdout);
    put_name(name, 0);
    printf("\t%lu\t%s\t", (unsigned long)size, sha);
    put_hex(data, size < 16 ? size : 16);
    putchar('\n');
    if (!IS_INTRESOURCE(name) && lstrcmpW(name, L"OXV_LIBSETTINGS_") == 0) {
        fputs("settings\t", stdout);
        put_hex(data, size);
        putchar('\n');
    }
    return TRUE;
}

int wmain(int argc, WCHAR** argv)
{
    int image = argc == 3 && lstrcmpW(argv[1], L"--image") == 0;
    DWORD flags = image ? LOAD_LIBRARY_AS_IMAGE_RESOURCE : LOAD_LIBRARY_AS_DATAFILE;
    const char* mode = image ? "IMAGE_RESOURCE" : "DATAFILE";
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 2 + image) {
        fprintf(stderr, "usage: dllcheck [--image] FILE\n");
        return 2;
    }
    module = LoadLibraryExW(argv[1 + image], NULL, flags);
    if (!module) {
        printf("load\t%s\tFAILED %lu\n", mode, (unsigned long)GetLastError());
        return 1;
    }
    printf("load\t%s\tok\n", mode);
    check_headers(argv[1 + image]);
    if (!EnumResourceTypesW(module, on_type, 0)) puts("warn\tno resource types");
    EnumResourceNamesW(module, (LPCWSTR)RT_STRING, on_string_block, 0);
    EnumResourceNamesW(module, (LPCWSTR)RT_RCDATA, on_rcdata, 0);
    FreeLibrary(module);
    return 0;
}
