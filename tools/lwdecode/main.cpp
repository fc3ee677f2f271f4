// lwdecode: what the engine makes of pictures, written so that two decoders
// can be compared: DevIL on Linux against the Windows Imaging Component
// under Windows (or wine). Every picture goes through the canvas the show
// uses, so the dump holds exactly what a texture would get.
#include "base/fxEndian.h"
#include "base/fxStream.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXCanvas.h"
#include "render/PPictureCodec.h"
#include "render/fxDevil.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: lwdecode -o DUMP (PACKAGE | PICTURE)...\n"
    "       lwdecode --compare DUMP DUMP [--jpeg-mean N]\n"
    "\n"
    "The first form decodes every picture entry of each package (lwhirl.dat\n"
    "files) and each picture file through the engine's canvas and writes the\n"
    "RGBA blocks, their sizes, the opaque flag and the bytes per pixel the\n"
    "decoder gave into DUMP. A file whose name contains \"tran\" is decoded\n"
    "as a mask, as the engine does. The second form compares two dumps:\n"
    "the same pictures must decode to the same sizes, flags, alpha and\n"
    "padding, and to the same colours, except that the colours of a JPEG may\n"
    "differ by N levels on average (default 0): JPEG decoders differ in how\n"
    "they round and how they fill in subsampled colour.\n";

const char kMagic[8] = {'l', 'w', 'd', 'e', 'c', '0', '1', '\n'};

struct Picture {
    std::string name;
    bool jpeg = false;
    bool ok = false;
    int32_t width = 0, height = 0, pitch = 0, rows = 0;
    bool opaque = false;
    int32_t bytesPerPixel = 0; // what the decoder gave before conversion
    std::vector<unsigned char> rgba;
};

void localPutU32(std::string* out, uint32_t v)
{
    fxAppendLE32(out, v);
}

struct Reader {
    const std::string& s;
    size_t at = 0;
    bool good = true;
    uint32_t U32()
    {
        if (s.size() - at < 4) {
            good = false;
            return 0;
        }
        uint32_t v = fxGetLE32(reinterpret_cast<const unsigned char*>(s.data() + at));
        at += 4;
        return v;
    }
    std::string Bytes(size_t n)
    {
        if (s.size() - at < n) {
            good = false;
            return std::string();
        }
        std::string r = s.substr(at, n);
        at += n;
        return r;
    }
};

void localWrite(std::string* out, const Picture& p)
{
    localPutU32(out, static_cast<uint32_t>(p.name.size()));
    out->append(p.name);
    localPutU32(out, (p.ok ? 1u : 0u) | (p.jpeg ? 2u : 0u) | (p.opaque ? 4u : 0u));
    for (int32_t v : {p.width, p.height, p.pitch, p.rows, p.bytesPerPixel})
        localPutU32(out, static_cast<uint32_t>(v));
    localPutU32(out, static_cast<uint32_t>(p.rgba.size()));
    out->append(reinterpret_cast<const char*>(p.rgba.data()), p.rgba.size());
}

bool localRead(const std::string& bytes, std::string* decoder, std::vector<Picture>* out)
{
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    Reader r{bytes, sizeof kMagic};
    *decoder = r.Bytes(r.U32());
    while (r.good && r.at < bytes.size()) {
        Picture p;
        p.name = r.Bytes(r.U32());
        uint32_t flags = r.U32();
        p.ok = flags & 1;
        p.jpeg = flags & 2;
        p.opaque = flags & 4;
        p.width = static_cast<int32_t>(r.U32());
        p.height = static_cast<int32_t>(r.U32());
        p.pitch = static_cast<int32_t>(r.U32());
        p.rows = static_cast<int32_t>(r.U32());
        p.bytesPerPixel = static_cast<int32_t>(r.U32());
        std::string px = r.Bytes(r.U32());
        p.rgba.assign(px.begin(), px.end());
        if (r.good)
            out->push_back(std::move(p));
    }
    return r.good;
}

void localTakeCanvas(const FXCanvas& c, Picture* p)
{
    p->width = c.pixmap.width;
    p->height = c.pixmap.height;
    p->pitch = c.pixmap.pitch;
    p->rows = c.pixmap.allocHeight;
    p->opaque = c.opaque;
    size_t n = static_cast<size_t>(p->pitch) * p->rows;
    p->rgba.resize(n * 4);
    for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k)
            p->rgba[i * 4 + k] = static_cast<unsigned char>((c.pixmap.pixels[i] >> (8 * k)) & 0xff);
}

// The decoder's own bytes per pixel for a picture, as the movies and the
// checker read them.
// A refusal is said on stderr, naming the picture.
int32_t localNativeBytes(const void* bytes, size_t n, int type, const char* file, const std::string& name)
{
    int native = 0;
    std::string why;
    PPictureCodec* codec = fxPictureCodec();
    if (!codec || !codec->Decode(file, type, bytes, n, 4, nullptr, &native, &why)) {
        if (!why.empty())
            std::fprintf(stderr, "lwdecode: %s: %s\n", name.c_str(), why.c_str());
        return 0;
    }
    return native;
}

bool localHasExt(const std::string& s, const char* a, const char* b)
{
    std::string lower;
    for (char ch : s)
        lower.push_back(static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch));
    for (const char* ext : {a, b}) {
        size_t n = std::strlen(ext);
        if (lower.size() >= n && lower.compare(lower.size() - n, n, ext) == 0)
            return true;
    }
    return false;
}

int localDump(const std::string& outPath, const std::vector<std::string>& inputs)
{
    if (!fxLoadDevil()) {
        std::fprintf(stderr, "lwdecode: no picture decoder (DevIL, or the platform's own)\n");
        return 1;
    }
    std::string out(kMagic, sizeof kMagic);
    std::string decoder = fxImageDecoderName();
    localPutU32(&out, static_cast<uint32_t>(decoder.size()));
    out.append(decoder);
    int count = 0;
    for (const std::string& in : inputs) {
        std::string base = in.substr(in.find_last_of("/\\") + 1);
        if (localHasExt(in, ".dat", ".dat")) {
            FXPackage pkg;
            if (!pkg.Load(in.c_str())) {
                std::fprintf(stderr, "lwdecode: %s is not a package\n", in.c_str());
                return 1;
            }
            for (int row = 0; row < pkg.GetCount(); ++row) {
                int id = pkg.ids.GetInt(row);
                int type = pkg.GetDataType(id);
                if (type == kFxTypeNone)
                    continue;
                Picture p;
                p.name = base + "#" + std::to_string(id);
                p.jpeg = type == kFxTypeJpg;
                FXCanvas c;
                p.ok = c.CreateFromPictCN(&pkg, id);
                if (p.ok)
                    localTakeCanvas(c, &p);
                FXPackageData* d = pkg.GetDataPtr(id);
                p.bytesPerPixel = localNativeBytes(d->start, static_cast<size_t>(d->size), type, nullptr, p.name);
                localWrite(&out, p);
                ++count;
            }
        } else {
            Picture p;
            p.name = base;
            p.jpeg = localHasExt(in, ".jpg", ".jpeg");
            FXCanvas c;
            p.ok = c.CreateFromPict(in.c_str());
            if (p.ok)
                localTakeCanvas(c, &p);
            p.bytesPerPixel = localNativeBytes(nullptr, 0, 0, in.c_str(), in);
            localWrite(&out, p);
            ++count;
        }
    }
    fxUnloadDevil();
    std::string why;
    if (!fxReplaceFile(outPath.c_str(), out, &why)) {
        std::fprintf(stderr, "lwdecode: %s\n", why.c_str());
        return 1;
    }
    std::printf("lwdecode: %d pictures decoded with %s into %s\n", count, decoder.c_str(), outPath.c_str());
    return 0;
}

int localCompare(const std::string& a, const std::string& b, int jpegMean)
{
    std::string bytes[2], decoder[2];
    std::vector<Picture> pics[2];
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        if (!fxReadFile(paths[i]->c_str(), &bytes[i]) || !localRead(bytes[i], &decoder[i], &pics[i])) {
            std::fprintf(stderr, "lwdecode: %s is not a dump\n", paths[i]->c_str());
            return 1;
        }
    }
    std::map<std::string, const Picture*> second;
    for (const Picture& p : pics[1])
        second[p.name] = &p;
    int problems = 0, compared = 0;
    int worst[2] = {0, 0};
    double worstMean[2] = {0, 0};
    long long differing[2] = {0, 0}, total[2] = {0, 0};
    for (const Picture& p : pics[0]) {
        auto it = second.find(p.name);
        if (it == second.end()) {
            std::printf("%s: only in %s\n", p.name.c_str(), a.c_str());
            ++problems;
            continue;
        }
        const Picture& q = *it->second;
        second.erase(it);
        if (p.ok != q.ok || p.width != q.width || p.height != q.height || p.pitch != q.pitch || p.rows != q.rows ||
            p.rgba.size() != q.rgba.size()) {
            std::printf("%s: %s %dx%d in a %dx%d block against %s %dx%d in a %dx%d block\n", p.name.c_str(),
                        p.ok ? "decoded" : "not decoded", p.width, p.height, p.pitch, p.rows,
                        q.ok ? "decoded" : "not decoded", q.width, q.height, q.pitch, q.rows);
            ++problems;
            continue;
        }
        if (p.bytesPerPixel != q.bytesPerPixel) {
            std::printf("%s: %d bytes per pixel against %d\n", p.name.c_str(), p.bytesPerPixel, q.bytesPerPixel);
            ++problems;
        }
        if (p.opaque != q.opaque) {
            std::printf("%s: opaque %d against %d\n", p.name.c_str(), p.opaque, q.opaque);
            ++problems;
        }
        // Alpha and the block's padding exactly; colour exactly, or for a
        // JPEG by its mean difference.
        int k = p.jpeg ? 1 : 0, most = 0;
        long long sum = 0, colours = 0;
        bool exactPartDiffers = false;
        for (int32_t y = 0; y < p.rows; ++y)
            for (int32_t x = 0; x < p.pitch; ++x)
                for (int c = 0; c < 4; ++c) {
                    size_t i = (static_cast<size_t>(y) * p.pitch + x) * 4 + c;
                    int d = std::abs(static_cast<int>(p.rgba[i]) - static_cast<int>(q.rgba[i]));
                    bool inside = x < p.width && y < p.height && c < 3;
                    if (inside) {
                        sum += d;
                        ++colours;
                    }
                    if (d) {
                        ++differing[k];
                        most = d > most ? d : most;
                        if (!inside || !p.jpeg)
                            exactPartDiffers = true;
                    }
                }
        total[k] += static_cast<long long>(p.rgba.size());
        worst[k] = most > worst[k] ? most : worst[k];
        double mean = colours ? static_cast<double>(sum) / static_cast<double>(colours) : 0.0;
        worstMean[k] = mean > worstMean[k] ? mean : worstMean[k];
        if (exactPartDiffers) {
            std::printf("%s: %s differ by up to %d levels\n", p.name.c_str(),
                        p.jpeg ? "alpha or padding bytes" : "pixels", most);
            ++problems;
        } else if (mean > jpegMean) {
            std::printf("%s: colours differ by %.2f levels on average (%d allowed), up to %d\n", p.name.c_str(),
                        mean, jpegMean, most);
            ++problems;
        }
        ++compared;
    }
    for (const auto& left : second) {
        std::printf("%s: only in %s\n", left.first.c_str(), b.c_str());
        ++problems;
    }
    std::printf("lwdecode: %d pictures compared, %s against %s\n", compared, decoder[0].c_str(), decoder[1].c_str());
    const char* kinds[2] = {"other pictures", "JPEG pictures"};
    for (int k = 0; k < 2; ++k)
        std::printf("lwdecode: %s: largest difference %d levels, worst mean %.2f levels, %.3f%% of the bytes "
                    "differ\n",
                    kinds[k], worst[k], worstMean[k],
                    total[k] ? 100.0 * static_cast<double>(differing[k]) / static_cast<double>(total[k]) : 0.0);
    if (problems)
        std::printf("lwdecode: %d problems\n", problems);
    return problems ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--compare") {
        int tolerance = 0;
        if (args.size() == 5 && args[3] == "--jpeg-mean")
            tolerance = std::atoi(args[4].c_str());
        else if (args.size() != 3) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        return localCompare(args[1], args[2], tolerance);
    }
    if (args.size() < 3 || args[0] != "-o") {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return localDump(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
}
