// FXPackageData: a read cursor over one entry's bytes (it does not own them).
// Every reader advances by what it consumes; a read that does not fit in the
// bytes left yields a zero value and consumes nothing, so no reader ever
// leaves the block.
#pragma once

class FXArray;
class FXFloatArray;
class FXStr;
class FXStrArray;

class FXPackageData {
public:
    unsigned char* start;
    int size;
    unsigned char* position;
    int remaining;

    FXPackageData() : start(nullptr), size(0), position(nullptr), remaining(0) {}

    void InitData(void* block, int n);
    void Reseek();

    // True exactly for the byte 1.
    bool ReadBool();
    int ReadInt();
    float ReadFloat();
    double ReadDouble();
    // A colour: four floats into dst; dst unchanged when 16 bytes do not fit.
    void ReadFloat4(float* dst);
    // n bytes into dst; null (nothing copied) when fewer remain.
    void* ReadCopyBlc(void* dst, int n);
    // The next n bytes in place; null when fewer remain.
    const void* ReadBlc(int n);

    // Length, then that many bytes. A length of 0 or less gives an empty
    // string after the 4 length bytes. A length beyond the bytes left takes
    // what is left; FXStr keeps the first 1023 characters of a longer text.
    void ReadString(FXStr* s);
    // Count, then the elements. A count larger than the elements the bytes
    // left can hold (4 bytes each at least) is cut to what they can hold.
    void ReadStringArray(FXStrArray* a);
    void ReadArray(FXArray* a);
    void ReadFloatArray(FXFloatArray* a);

    // Authoring: an int32 at the position when 4 bytes remain.
    bool WriteInt(int v);
    // Authoring: count and values as ReadArray reads them, when they fit.
    bool WriteArray(const FXArray* a);

private:
    bool Fits(int n) const { return n >= 0 && n <= remaining; }
    void Skip(int n)
    {
        position += n;
        remaining -= n;
    }
    // The array count, cut to the elements the bytes left can hold; 0 when
    // not even the count fits.
    int ReadCount();
};
