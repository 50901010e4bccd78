// The watermark picture: a DIB section loaded from a BMP, JPEG or PNG file. Its pixel (0, 0) is
// the colour key of the watermark window. Used on the user-interface thread only.
#pragma once
#include <windows.h>
#include <stddef.h>

class TxBitmapEx {
public:
    // A picture whose pixel buffer would need more than this is refused, so a header that claims
    // a huge size cannot make the loader allocate gigabytes.
    static const size_t kMaxImageBytes = 128u << 20;

    TxBitmapEx() = default;
    virtual ~TxBitmapEx();

    // Chooses the loader by the extension: JPEG, PNG, GIF refused at once (the current picture
    // stays), anything else BMP.
    BOOL Load(const wchar_t* path);
    // Each begins by releasing the current picture; TRUE exactly when a section was made.
    BOOL LoadBmp(const wchar_t* path);
    BOOL LoadJpeg(const wchar_t* path);
    BOOL LoadPng(const wchar_t* path);  // png_decoder.cpp

    // The parsing of LoadBmp and LoadPng over the whole file's bytes (the mapped file). Every
    // offset and length is checked against size before it is read.
    BOOL LoadBmpData(const BYTE* file, size_t size);
    BOOL LoadPngData(const BYTE* file, size_t size);  // png_decoder.cpp

    // Copies height rows of the stride for bitCount: as one block when sameOrder is set, else
    // row i of target from row height - 1 - i of source.
    void CopyRows(void* target, const void* source, int bitCount, bool sameOrder) const;

    // Bytes per row for a bit count, padded to 32 bits; 64-bit so no header can overflow it.
    static unsigned long long Stride(long long width, int bitCount);

    int width = 0;
    int height = 0;        // always positive, whatever the section's row order
    void* bits = NULL;     // the section's pixels, owned by the section
    HBITMAP bitmap = NULL; // owned

private:
    void Release();
    // Releases the picture, maps the file read-only and parses its bytes with parse.
    BOOL LoadMapped(const wchar_t* path, BOOL (TxBitmapEx::*parse)(const BYTE*, size_t));
    // Makes the section from info and, on success, sets width and height (taken positive).
    bool CreateSection(const BITMAPINFO* info);

    TxBitmapEx(const TxBitmapEx&) = delete;
    TxBitmapEx& operator=(const TxBitmapEx&) = delete;
};

// The colour of pixel (0, 0); 0 when there is no picture or no device context.
COLORREF GetKeyColor(TxBitmapEx* picture);
// Snaps every pixel whose red, green and blue each lie within 9 of the key colour onto it, and
// returns the key; 0 when there is no picture or no device context.
COLORREF NormalizeKeyColor(TxBitmapEx* picture);
