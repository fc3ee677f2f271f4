// lwpack: the authoring command line for Lumenwhirl packages.
#include "authoring/FXPackageBuilder.h"
#include "authoring/FXPackageCheck.h"
#include "base/FXStrArray.h"
#include "base/fxStream.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "sys/fxSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: lwpack COMMAND ...\n"
    "\n"
    "commands:\n"
    "  build MANIFEST -o OUT [--transpose] [--quiet] [--strict]\n"
    "                                       make a package from a manifest\n"
    "  pack OUT [--transpose] ID=FILE ...   make a package from files\n"
    "  list FILE                            one line per entry: id, type, size\n"
    "  verify FILE                          check that a package is well formed\n"
    "  extract FILE ID OUT                  write one entry's bytes to OUT\n"
    "  names FILE                           #define lines for the ids build handed out\n"
    "\n"
    "'lwpack COMMAND --help' describes one command.\n";

const char* const kPackHelp =
    "usage: lwpack pack OUT [--transpose] ID=FILE ...\n"
    "Makes the package OUT from the given files, one entry each under the\n"
    "integer ID. The entry type comes from the file's extension (bmp, jpg,\n"
    "png, tga, gif for pictures; -1 for anything else). --transpose stores\n"
    "the payload transposed (header \"pck01s\"). OUT is replaced only when\n"
    "the whole package was written.\n";

const char* const kBuildHelp =
    "usage: lwpack build MANIFEST -o OUT [--transpose] [--quiet] [--strict]\n"
    "Builds the package OUT from the entries MANIFEST names, one per line:\n"
    "\n"
    "  KIND ID [SOURCE] [key=value ...]      ('#' starts a comment)\n"
    "\n"
    "  picture   ID FILE                     png, jpg, bmp, tga or gif\n"
    "  library   ID FILE.mtl                 a material library\n"
    "  model     ID FILE.obj [version=2|3]   one mesh per material, its MTL\n"
    "                                        library stored as an entry of its own\n"
    "  animation ID FRAMES [times=MS[,MS..]] [loop=] [pingpong=] [playing=]\n"
    "                                        OBJ key frames sharing one topology\n"
    "  movie     ID FRAMES [fps=F|time=S] [loop=] [pingpong=] [quality=Q]\n"
    "                                        RGBA frames, cropped to what they show,\n"
    "                                        stored as JPEG picture and mask\n"
    "  phaser    ID [phase=] [duration=] [active=] [reverse=] [loop=]\n"
    "                [pingpong=] [smooth=] [halfsmooth=]\n"
    "  matrix    ID [values=16 numbers separated by commas]\n"
    "\n"
    "ID is an integer or 'auto'. FRAMES is a folder, a pattern such as\n"
    "frames/sheet-*.obj, or files separated by commas. Flags take yes or no.\n"
    "Sources are relative to the manifest's folder. The ids handed out are\n"
    "listed in OUT.names ('lwpack names OUT'). On a terminal the build shows\n"
    "its progress; --quiet prints nothing but warnings and errors. A failed\n"
    "build leaves no OUT behind.\n"
    "\n"
    "OBJ and MTL files may be UTF-8 (with or without a byte-order mark) or\n"
    "UTF-16 with one; the files they name (mtllib, map_Kd) may use \\ or / and\n"
    "are relative to the file that names them. An OBJ whose mtllib file is\n"
    "missing is a warning (on standard error, naming the file and line): its\n"
    "meshes get the default material and the build goes on, exiting 0.\n"
    "--strict makes every warning an error.\n";

const char* const kNamesHelp =
    "usage: lwpack names FILE\n"
    "Prints '#define FXNAME_<SOURCE>  <ID>' for every id lwpack build handed\n"
    "out for FILE (read from FILE.names).\n";

const char* const kListHelp =
    "usage: lwpack list FILE\n"
    "Prints one line per entry in row order, id<TAB>type<TAB>size, then\n"
    "'N entries, B bytes'. Exit status 1 when FILE is not a package.\n";

const char* const kVerifyHelp =
    "usage: lwpack verify FILE\n"
    "Checks the container, then every record it holds: models (\"xm02\",\n"
    "\"xm03\"), animations (\"xa03\") and movies (\"xs01\" to \"xs03\") are read\n"
    "exactly, index streams checked against their tables, and the entries\n"
    "they refer to followed: material libraries and their textures, movie\n"
    "frames (JPEG pictures with masks of the same size). An animation the\n"
    "show would refuse for its size is named. Every picture entry must\n"
    "decode with the image library (DevIL); without it pictures are counted,\n"
    "not decoded. Exit status 0 when nothing is wrong; otherwise one line per\n"
    "problem and exit status 1.\n";

const char* const kExtractHelp =
    "usage: lwpack extract FILE ID OUT\n"
    "Writes the bytes of entry ID (the first row with that id) to OUT.\n";

bool localWantsHelp(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

int localUsage(const char* help)
{
    std::fputs(help, stderr);
    return 2;
}

bool localParseInt(const char* s, int* out)
{
    if (!s || !*s)
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (*end || errno || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool localReadFile(const char* path, std::string* out, std::string* why)
{
    errno = 0;
    if (fxReadFile(path, out))
        return true;
    *why = errno ? std::strerror(errno) : "read error";
    return false;
}

// Loads FILE into pkg; on failure prints each problem, naming the file.
bool localOpen(const char* path, FXPackage* pkg, bool toStdout)
{
    std::string bytes, why;
    if (!localReadFile(path, &bytes, &why)) {
        std::fprintf(toStdout ? stdout : stderr, "lwpack: %s: cannot read: %s\n", path, why.c_str());
        return false;
    }
    std::string problems;
    if (pkg->LoadFromMemory(bytes.data(), static_cast<long>(bytes.size()), &problems))
        return true;
    size_t at = 0;
    do {
        size_t end = problems.find('\n', at);
        std::string one = problems.substr(at, end == std::string::npos ? std::string::npos : end - at);
        std::fprintf(toStdout ? stdout : stderr, "lwpack: %s: not a valid package%s%s\n", path,
                     one.empty() ? "" : ": ", one.c_str());
        at = end == std::string::npos ? end : end + 1;
    } while (at != std::string::npos);
    return false;
}

int localPack(int argc, char** argv)
{
    const char* out = argv[0];
    bool transpose = false;
    FXPackage pkg;
    std::set<int> seen;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--transpose") == 0) {
            transpose = true;
            continue;
        }
        const char* eq = std::strchr(argv[i], '=');
        int id = 0;
        if (!eq || !localParseInt(std::string(argv[i], static_cast<size_t>(eq - argv[i])).c_str(), &id) || !eq[1]) {
            std::fprintf(stderr, "lwpack: pack: '%s' is not ID=FILE with an integer ID\n", argv[i]);
            return 2;
        }
        if (!seen.insert(id).second) {
            std::fprintf(stderr, "lwpack: pack: id %d is given twice\n", id);
            return 2;
        }
        int size = 0, type = 0;
        if (!FXPackage::CheckFile(eq + 1, &size, &type) || !std::filesystem::is_regular_file(std::filesystem::u8path(eq + 1))) {
            std::fprintf(stderr, "lwpack: pack: %s: cannot read the file\n", eq + 1);
            return 1;
        }
        pkg.AddDataFile(id, eq + 1);
        ++files;
    }
    if (!pkg.Save(out, transpose ? 1 : 0)) {
        std::fprintf(stderr, "lwpack: pack: %s: cannot write the package\n", out);
        return 1;
    }
    std::printf("%s: %d entries, %d bytes%s\n", out, files, pkg.dataSize, transpose ? " (transposed)" : "");
    return 0;
}

int localList(int argc, char** argv)
{
    (void)argc;
    FXPackage pkg;
    if (!localOpen(argv[0], &pkg, false))
        return 1;
    long long total = 0;
    for (int i = 0; i < pkg.ids.count; ++i) {
        std::printf("%d\t%d\t%d\n", pkg.ids.GetInt(i), pkg.types.GetInt(i), pkg.sizes.GetInt(i));
        total += pkg.sizes.GetInt(i);
    }
    std::printf("%d entries, %lld bytes\n", pkg.ids.count, total);
    return 0;
}

int localVerify(int argc, char** argv)
{
    (void)argc;
    FXPackage pkg;
    if (!localOpen(argv[0], &pkg, true))
        return 1;
    FXPackageCheck check;
    bool ok = check.Check(&pkg);
    for (int i = 0; i < check.problems.count; ++i)
        std::printf("lwpack: %s: %s\n", argv[0], check.problems.Get(i));
    if (!check.picturesDecoded)
        std::printf("lwpack: %s: the image library is not available; pictures were not decoded\n", argv[0]);
    std::printf("%s: %s, %d entries (%d models, %d animations, %d movies, %d libraries, %d pictures)\n", argv[0],
                ok ? "well formed" : "not sound", pkg.ids.count, check.models, check.animations, check.movies,
                check.libraries, check.pictures);
    return ok ? 0 : 1;
}

int localBuild(int argc, char** argv)
{
    FXPackageBuilder b;
    const char* manifest = nullptr;
    const char* out = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--transpose") == 0)
            b.transpose = true;
        else if (std::strcmp(argv[i], "--quiet") == 0)
            b.quiet = true;
        else if (std::strcmp(argv[i], "--strict") == 0)
            b.strict = true;
        else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (!manifest && argv[i][0] != '-')
            manifest = argv[i];
        else
            return localUsage(kBuildHelp);
    }
    if (!manifest || !out)
        return localUsage(kBuildHelp);
    bool ok = b.Build(manifest, out);
    for (int i = 0; i < b.warnings.count; ++i)
        std::fprintf(stderr, "lwpack: %s\n", b.warnings.Get(i));
    if (!ok) {
        std::fprintf(stderr, "lwpack: %s\n", b.error.c_str());
        return 1;
    }
    if (!b.quiet)
        std::printf("%s: %d manifest entries, %d package entries\n", out, b.entries, b.totalEntries);
    return 0;
}

int localNames(int argc, char** argv)
{
    (void)argc;
    std::string names = std::string(argv[0]) + ".names";
    FXPackage pkg;
    if (!pkg.LoadNames(names.c_str())) {
        std::fprintf(stderr, "lwpack: %s: cannot read the names lwpack build wrote\n", names.c_str());
        return 1;
    }
    pkg.names.idBase = 0;
    std::string tmp = names + ".h.tmp";
    bool ok = pkg.SaveNamesCpp(tmp.c_str());
    std::string text;
    std::string why;
    ok = ok && localReadFile(tmp.c_str(), &text, &why);
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(tmp), ec);
    if (!ok) {
        std::fprintf(stderr, "lwpack: %s: cannot list the names\n", names.c_str());
        return 1;
    }
    std::fputs(text.c_str(), stdout);
    return 0;
}

int localExtract(int argc, char** argv)
{
    (void)argc;
    int id = 0;
    if (!localParseInt(argv[1], &id))
        return localUsage(kExtractHelp);
    FXPackage pkg;
    if (!localOpen(argv[0], &pkg, false))
        return 1;
    FXPackageData* d = pkg.GetDataPtr(id);
    if (!d) {
        std::fprintf(stderr, "lwpack: %s: no entry with id %d\n", argv[0], id);
        return 1;
    }
    std::string why;
    if (!fxReplaceFile(argv[2], std::string(reinterpret_cast<const char*>(d->start), static_cast<size_t>(d->size)),
                       &why)) {
        std::fprintf(stderr, "lwpack: %s\n", why.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Every name the user gives is UTF-8 from here on, as in the sources.
    fxSysUtf8Args(&argc, &argv);
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // Each command: its help, the argument counts it takes, its code.
    static const struct {
        const char* name;
        const char* help;
        int minArgs, maxArgs;
        int (*run)(int, char**);
    } commands[] = {
        {"build", kBuildHelp, 3, 6, localBuild},
        {"names", kNamesHelp, 1, 1, localNames},
        {"pack", kPackHelp, 1, 1 << 30, localPack},
        {"list", kListHelp, 1, 1, localList},
        {"verify", kVerifyHelp, 1, 1, localVerify},
        {"extract", kExtractHelp, 3, 3, localExtract},
    };
    int n = argc - 2;
    char** rest = argv + 2;
    for (const auto& c : commands) {
        if (std::strcmp(argv[1], c.name) != 0)
            continue;
        if (localWantsHelp(n, rest)) {
            std::fputs(c.help, stdout);
            return 0;
        }
        if (n < c.minArgs || n > c.maxArgs)
            return localUsage(c.help);
        return c.run(n, rest);
    }
    std::fprintf(stderr, "lwpack: unknown command '%s'\n\n%s", argv[1], kUsage);
    return 2;
}
