#include "authoring/FXPackageBuilder.h"

#include "authoring/FXManifest.h"
#include "authoring/fxImport.h"
#include "base/FXMatrix.h"
#include "base/fxStream.h"
#include "base/fxTrace.h"
#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"
#include "geometry/FXModel.h"
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "sys/fxSystem.h"
#include "render/FXCanvas.h"
#include "render/FXMatlib.h"
#include "render/fxDevil.h"
#include "show/FXPhaser.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Entry = FXManifest::Entry;

bool localNumber(const std::string& s, double* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

std::vector<std::string> localSplit(const std::string& s, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return out;
        start = at + 1;
    }
}

// '*' matches any run of characters, '?' one.
bool localMatch(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return localMatch(pattern + 1, name) || (*name && localMatch(pattern, name + 1));
    return *name && (*pattern == '?' || *pattern == *name) && localMatch(pattern + 1, name + 1);
}

bool localHasExtension(const fs::path& p, std::initializer_list<const char*> exts)
{
    std::string e = p.extension().u8string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* x : exts)
        if (e == x)
            return true;
    return false;
}

// Non-ASCII bytes as '_'.
std::string localAscii(std::string s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '_';
    return s;
}

class Builder {
public:
    Builder(FXPackageBuilder* owner, const char* manifest, const char* out)
        : owner(owner), manifest(manifest), out(out), base(fs::u8path(manifest).parent_path())
    {
    }
    ~Builder()
    {
        std::error_code ec;
        if (!work.empty())
            fs::remove_all(work, ec);
    }

    bool Run();

private:
    FXPackageBuilder* owner;
    std::string manifest, out;
    fs::path base, work;
    FXManifest list;
    FXPackage pkg;
    int parts = 0;

    bool Fail(int line, const char* fmt, ...) FX_PRINTF(3, 4);
    bool Parse();
    bool BuildEntry(const Entry& e);
    int IdFor(const Entry& e);
    std::string Part(const std::string& name);
    fs::path Source(const std::string& s) const;
    bool Frames(const Entry& e, std::initializer_list<const char*> exts, std::vector<fs::path>* out);
    bool Flag(const Entry& e, const char* key, bool* v);
    bool Picture(const Entry& e);
    bool Library(const Entry& e);
    bool LibraryOf(const Entry& e, FXModel* m, const fs::path& obj);
    bool Import(const Entry& e, const fs::path& obj, FXModel* m);
    bool Warnings(const Entry& e, const FXStrArray& found);
    bool Model(const Entry& e);
    bool Animation(const Entry& e);
    bool Movie(const Entry& e);
    template <class Save>
    bool Record(const Entry& e, const char* name, Save save);
    bool Phaser(const Entry& e);
    bool Matrix(const Entry& e);
};

bool Builder::Fail(int line, const char* fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    if (owner->error.empty()) {
        owner->error = manifest;
        if (line > 0)
            owner->error += ":" + std::to_string(line);
        owner->error += std::string(": ") + text;
    }
    return false;
}

fs::path Builder::Source(const std::string& s) const
{
    fs::path p = fs::u8path(s);
    return p.is_absolute() ? p : base / p;
}

std::string Builder::Part(const std::string& name)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04d-", parts++);
    return (work / (prefix + localAscii(name))).u8string();
}

bool Builder::Parse()
{
    if (!list.Load(manifest.c_str()))
        return Fail(list.errorLine, "%s", list.error.c_str());
    pkg.names.idBase = list.firstFreeId;
    return true;
}

int Builder::IdFor(const Entry& e)
{
    if (!e.autoId)
        return e.id;
    char key[64];
    std::snprintf(key, sizeof key, ":%d", e.line);
    return pkg.names.BuildId((e.source.empty() ? e.KindName() + std::string(key) : e.source + key).c_str());
}

bool Builder::Flag(const Entry& e, const char* key, bool* v)
{
    auto it = e.options.find(key);
    if (it == e.options.end())
        return true;
    if (it->second == "yes" || it->second == "true" || it->second == "1")
        *v = true;
    else if (it->second == "no" || it->second == "false" || it->second == "0")
        *v = false;
    else
        return Fail(e.line, "%s=%s: expected yes or no", key, it->second.c_str());
    return true;
}

// A folder (its files of those extensions, by name), a file pattern with
// '*' or '?', or a comma-separated list of files.
bool Builder::Frames(const Entry& e, std::initializer_list<const char*> exts, std::vector<fs::path>* files)
{
    std::error_code ec;
    fs::path src = Source(e.source);
    std::string name = src.filename().u8string();
    if (fs::is_directory(src, ec) || name.find_first_of("*?") != std::string::npos) {
        bool folder = fs::is_directory(src, ec);
        fs::path dir = folder ? src : src.parent_path();
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::string f = it->path().filename().u8string();
            if (it->is_regular_file() && (folder ? localHasExtension(it->path(), exts) : localMatch(name.c_str(), f.c_str())))
                files->push_back(it->path());
        }
        if (ec)
            return Fail(e.line, "cannot read the folder %s", dir.u8string().c_str());
        std::sort(files->begin(), files->end());
    } else {
        for (const std::string& s : localSplit(e.source, ','))
            files->push_back(Source(s));
    }
    if (files->empty())
        return Fail(e.line, "%s names no frames", e.source.c_str());
    for (const fs::path& p : *files)
        if (!fs::is_regular_file(p, ec))
            return Fail(e.line, "cannot read %s", p.u8string().c_str());
    return true;
}

bool Builder::Picture(const Entry& e)
{
    fs::path src = Source(e.source);
    int size = 0, type = 0;
    std::error_code ec;
    if (!fs::is_regular_file(src, ec) || !FXPackage::CheckFile(src.u8string().c_str(), &size, &type))
        return Fail(e.line, "cannot read %s", src.u8string().c_str());
    if (type == kFxTypeNone)
        return Fail(e.line, "%s is not a picture file (png, jpg, bmp, tga or gif)", src.u8string().c_str());
    FXCanvas c;
    c.detectMaskNames = false;
    if (!c.CreateFromPict(src.u8string().c_str()))
        return Fail(e.line, "%s: the image library cannot decode it", src.u8string().c_str());
    pkg.AddDataFile(IdFor(e), src.u8string().c_str());
    return true;
}

// The library entry of a material file; one entry however many models use it.
bool Builder::LibraryOf(const Entry& e, FXModel* m, const fs::path& obj)
{
    if (!m->matlib) {
        m->matlibName.Clear();
        return true;
    }
    std::string mtl = fs::absolute(fs::u8path(m->matlibName.Get())).lexically_normal().u8string();
    int id = pkg.names.FindId(mtl.c_str());
    if (id < 0) {
        id = pkg.names.BuildId(mtl.c_str());
        FXMatlib* lib = m->matlib;
        lib->name.Set(fs::u8path(mtl).filename().u8string().c_str());
        pkg.baseDir.Set(fs::u8path(mtl).parent_path().u8string().c_str());
        if (!lib->Compile(&pkg))
            return Fail(e.line, "%s: a texture of %s cannot be stored", obj.u8string().c_str(), mtl.c_str());
        std::string part = Part(fs::u8path(mtl).filename().u8string() + ".lib");
        if (!lib->Save(part.c_str()))
            return Fail(e.line, "cannot write %s", part.c_str());
        pkg.AddDataFile(id, part.c_str());
    }
    m->matlibName.Format("%d", id);
    return true;
}

bool Builder::Warnings(const Entry& e, const FXStrArray& found)
{
    for (int i = 0; i < found.count; ++i) {
        if (owner->strict)
            return Fail(e.line, "%s (--strict makes warnings errors)", found.Get(i));
        owner->warnings.Push(found.Get(i));
    }
    return true;
}

bool Builder::Import(const Entry& e, const fs::path& obj, FXModel* m)
{
    std::string why;
    FXStrArray found;
    if (!fxImportObj(m, obj.u8string().c_str(), &why, &found))
        return Fail(e.line, "%s", why.c_str());
    if (!Warnings(e, found))
        return false;
    if (m->meshes.count == 0)
        return Fail(e.line, "%s has no faces", obj.u8string().c_str());
    m->name.Set(obj.filename().u8string().c_str());
    // The record stores material names and texture coordinates in picture
    // units (loaded extents 1): the show finds the materials again and
    // scales to their textures when it loads them.
    for (int i = 0; i < m->loadedMeshes.count; ++i)
        static_cast<FXMesh*>(m->loadedMeshes.Get(i))->material = nullptr;
    m->UpdateMeshes();
    return true;
}

bool Builder::Library(const Entry& e)
{
    fs::path src = fs::absolute(Source(e.source)).lexically_normal();
    FXMatlib lib;
    std::string why;
    if (!fxImportMtl(&lib, src.u8string().c_str(), &why))
        return Fail(e.line, "%s", why.c_str());
    lib.name.Set(src.filename().u8string().c_str());
    pkg.baseDir.Set(src.parent_path().u8string().c_str());
    if (!lib.Compile(&pkg))
        return Fail(e.line, "a texture of %s cannot be stored", src.u8string().c_str());
    std::string part = Part(src.filename().u8string() + ".lib");
    if (!lib.Save(part.c_str()))
        return Fail(e.line, "cannot write %s", part.c_str());
    int id = e.autoId ? pkg.names.FindId(src.u8string().c_str()) : e.id;
    if (id < 0)
        id = pkg.names.BuildId(src.u8string().c_str());
    pkg.AddDataFile(id, part.c_str());
    return true;
}

bool Builder::Model(const Entry& e)
{
    int version = 3;
    auto v = e.options.find("version");
    if (v != e.options.end() && (!FXManifest::ParseInt(v->second, &version) || (version != 2 && version != 3)))
        return Fail(e.line, "version=%s: expected 2 or 3", v->second.c_str());
    FXModel m;
    fs::path obj = Source(e.source);
    if (!Import(e, obj, &m) || !LibraryOf(e, &m, obj))
        return false;
    std::string part = Part(obj.filename().u8string() + ".xm");
    if (!m.Save(part.c_str(), version))
        return Fail(e.line, "cannot write %s", part.c_str());
    pkg.AddDataFile(IdFor(e), part.c_str());
    return true;
}

bool Builder::Animation(const Entry& e)
{
    std::vector<fs::path> files;
    if (!Frames(e, {".obj"}, &files))
        return false;
    std::vector<int> times(files.size(), 500);
    auto t = e.options.find("times");
    if (t != e.options.end()) {
        std::vector<std::string> parts = localSplit(t->second, ',');
        if (parts.size() != 1 && parts.size() != files.size())
            return Fail(e.line, "times= gives %d values for %d key frames", static_cast<int>(parts.size()),
                        static_cast<int>(files.size()));
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string& s = parts[parts.size() == 1 ? 0 : i];
            if (!FXManifest::ParseInt(s, &times[i]) || times[i] <= 0)
                return Fail(e.line, "times=%s: expected milliseconds above 0", t->second.c_str());
        }
    }
    FXAnim anim;
    if (!Flag(e, "loop", &anim.loop) || !Flag(e, "pingpong", &anim.pingPong) || !Flag(e, "playing", &anim.playing))
        return false;
    for (size_t i = 0; i < files.size(); ++i) {
        auto m = std::make_unique<FXModel>();
        if (!Import(e, files[i], m.get()))
            return false;
        if (i == 0) {
            if (!LibraryOf(e, m.get(), files[i]))
                return false;
        } else {
            // Every frame reads frame 0's index streams: the triangles must be
            // the same, vertex by vertex.
            const FXModel* f0 = anim.GetFrame(0);
            if (m->meshes.count != f0->meshes.count)
                return Fail(e.line, "%s has %d meshes, the first key frame %d", files[i].u8string().c_str(),
                            m->meshes.count, f0->meshes.count);
            for (int j = 0; j < m->meshes.count; ++j) {
                const FXMesh* a = static_cast<const FXMesh*>(f0->meshes.Get(j));
                const FXMesh* b = static_cast<const FXMesh*>(m->meshes.Get(j));
                if (a->vertexCount != b->vertexCount || a->indexCount != b->indexCount ||
                    std::memcmp(a->indices, b->indices, sizeof(int) * static_cast<size_t>(a->indexCount)) != 0 ||
                    !a->matName.Compare(b->matName.Get()))
                    return Fail(e.line, "%s does not share the topology of the first key frame (mesh %d)",
                                files[i].u8string().c_str(), j);
            }
            m->matlibName = f0->matlibName;
        }
        anim.AddFrame(m.release(), files[i].stem().u8string().c_str(), times[i]);
    }
    std::string part = Part(files[0].stem().u8string() + ".xa");
    if (!anim.Save(part.c_str()))
        return Fail(e.line, "cannot write %s", part.c_str());
    // Counted from the record as written: the show counts its headers.
    std::string record;
    if (!fxReadFile(part.c_str(), &record))
        return Fail(e.line, "cannot read back %s", part.c_str());
    long long elements = FXPackageCheck::AnimationElements(reinterpret_cast<const unsigned char*>(record.data()),
                                                          static_cast<int>(record.size()));
    if (elements > owner->animationLimit)
        return Fail(e.line,
                    "%d key frames of %d meshes make %lld vertices and indices (one more per mesh), over the %lld "
                    "the show loads",
                    static_cast<int>(files.size()), anim.GetFrame(0)->meshes.count, elements, owner->animationLimit);
    pkg.AddDataFile(IdFor(e), part.c_str());
    return true;
}

bool Builder::Movie(const Entry& e)
{
    std::vector<fs::path> files;
    if (!Frames(e, {".png", ".tga", ".bmp", ".gif", ".jpg", ".jpeg"}, &files))
        return false;
    SMovie movie;
    movie.loop = movie.pingPong = false;
    movie.frameTime = 0.04;
    double v = 0;
    auto fps = e.options.find("fps"), time = e.options.find("time");
    if (fps != e.options.end() && time != e.options.end())
        return Fail(e.line, "give fps= or time=, not both");
    if (fps != e.options.end()) {
        if (!localNumber(fps->second, &v) || v <= 0)
            return Fail(e.line, "fps=%s: expected frames per second above 0", fps->second.c_str());
        movie.frameTime = 1.0 / v;
    }
    if (time != e.options.end()) {
        if (!localNumber(time->second, &v) || v < 0)
            return Fail(e.line, "time=%s: expected seconds per frame", time->second.c_str());
        movie.frameTime = v;
    }
    int quality = 85;
    auto q = e.options.find("quality");
    if (q != e.options.end() && (!FXManifest::ParseInt(q->second, &quality) || quality < 1 || quality > 99))
        return Fail(e.line, "quality=%s: expected 1 to 99", q->second.c_str());
    if (!Flag(e, "loop", &movie.loop) || !Flag(e, "pingpong", &movie.pingPong))
        return false;
    FXCanvas::SetJpegQuality(quality);
    int id = IdFor(e);
    for (size_t i = 0; i < files.size(); ++i) {
        FXCanvas frame;
        frame.detectMaskNames = false;
        if (!frame.CreateFromPict(files[i].u8string().c_str()))
            return Fail(e.line, "%s: the image library cannot decode it", files[i].u8string().c_str());
        char name[48];
        std::snprintf(name, sizeof name, "movie%d-%04zu", id, i);
        std::string pict = Part(std::string(name) + "-picture.jpg"), mask = Part(std::string(name) + "-mask.jpg");
        if (!movie.AddFrame(frame.pixmap, pict.c_str(), mask.c_str()))
            return Fail(e.line, "%s: cannot write its JPEG picture and mask", files[i].u8string().c_str());
    }
    std::string record = Part("movie.xs");
    if (!movie.AddToPackage(&pkg, id, record.c_str()))
        return Fail(e.line, "cannot store the movie's frames");
    return true;
}

// A record written by save into a part file, queued as the entry's bytes.
template <class Save>
bool Builder::Record(const Entry& e, const char* name, Save save)
{
    std::string part = Part(name);
    FILE* f = fxOpenFile(part.c_str(), "wb");
    bool ok = f && save(f);
    if (f)
        ok = std::fclose(f) == 0 && ok;
    if (!ok)
        return Fail(e.line, "cannot write %s", part.c_str());
    pkg.AddDataFile(IdFor(e), part.c_str());
    return true;
}

bool Builder::Phaser(const Entry& e)
{
    FXPhaser p;
    double v = 0;
    for (const char* key : {"phase", "duration"}) {
        auto it = e.options.find(key);
        if (it == e.options.end())
            continue;
        if (!localNumber(it->second, &v))
            return Fail(e.line, "%s=%s: expected a number", key, it->second.c_str());
        if (key[0] == 'p')
            p.phase = static_cast<float>(v);
        else
            p.duration = v;
    }
    if (!Flag(e, "active", &p.active) || !Flag(e, "reverse", &p.reverse) || !Flag(e, "loop", &p.loop) ||
        !Flag(e, "pingpong", &p.pingPong) || !Flag(e, "smooth", &p.smooth) || !Flag(e, "halfsmooth", &p.halfSmooth))
        return false;
    return Record(e, "phaser", [&p](FILE* f) { return p.Save(f); });
}

bool Builder::Matrix(const Entry& e)
{
    FXMatrix m;
    auto it = e.options.find("values");
    if (it != e.options.end()) {
        std::vector<std::string> parts = localSplit(it->second, ',');
        if (parts.size() != 16)
            return Fail(e.line, "values= needs 16 numbers in element order, not %d", static_cast<int>(parts.size()));
        for (int i = 0; i < 16; ++i) {
            double v = 0;
            if (!localNumber(parts[static_cast<size_t>(i)], &v))
                return Fail(e.line, "values=: \"%s\" is not a number", parts[static_cast<size_t>(i)].c_str());
            m.m[i] = static_cast<float>(v);
        }
    }
    return Record(e, "matrix", [&m](FILE* f) { return m.Save(f); });
}

bool Builder::BuildEntry(const Entry& e)
{
    // By FXManifest::Kind.
    static bool (Builder::*const kBuild[])(const Entry&) = {
        &Builder::Picture, &Builder::Library, &Builder::Model,  &Builder::Animation,
        &Builder::Movie,   &Builder::Phaser,  &Builder::Matrix,
    };
    static_assert(sizeof kBuild / sizeof kBuild[0] == FXManifest::kKindCount, "a builder for every kind");
    return (this->*kBuild[e.kind])(e);
}

bool Builder::Run()
{
    if (!Parse())
        return false;
    if (!fxDevilBound() && !fxLoadDevil())
        return Fail(0, "the image library (DevIL) cannot be loaded; it decodes and encodes the pictures");
    std::error_code ec;
    // The records' writers open their files by narrow names: the work
    // folder and its files get ASCII ones.
    fs::path target = fs::u8path(out);
    work = target.parent_path() / fs::u8path(localAscii(target.filename().u8string()) + ".lwpack-work");
    fs::remove_all(work, ec);
    if (!fs::create_directories(work, ec))
        return Fail(0, "cannot make the work folder %s", work.u8string().c_str());
    bool progress = !owner->quiet && fxSysStderrIsTerminal();
    std::vector<int> lineOfFile; // the manifest line that queued each file
    const std::vector<Entry>& entries = list.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (progress)
            std::fprintf(stderr, "\rlwpack: %s: %d of %d entries", out.c_str(), static_cast<int>(i), static_cast<int>(entries.size()));
        if (!BuildEntry(entries[i])) {
            if (progress)
                std::fprintf(stderr, "\n");
            return false;
        }
        lineOfFile.resize(static_cast<size_t>(pkg.pendingFiles.count), entries[i].line);
        ++owner->entries;
    }
    if (progress)
        std::fprintf(stderr, "\rlwpack: %s: %d of %d entries\n", out.c_str(), static_cast<int>(entries.size()),
                     static_cast<int>(entries.size()));
    owner->totalEntries = pkg.pendingIds.count;
    // Saving reads every queued file: one that cannot be read is a source's
    // fault, not the output's.
    for (int i = 0; i < pkg.pendingFiles.count; ++i) {
        const char* file = pkg.pendingFiles.Get(i);
        errno = 0;
        FILE* f = file ? fxOpenFile(file, "rb") : nullptr;
        if (!f)
            return Fail(lineOfFile[static_cast<size_t>(i)], "cannot read %s: %s", file ? file : "(no name)",
                        errno ? std::strerror(errno) : "no file named");
        std::fclose(f);
    }
    // Ids must be unique in the package: a handed-out id never meets a given
    // one (they start above), but two references to one file share an id.
    if (!pkg.Save(out.c_str(), owner->transpose ? 1 : 0))
        return Fail(0, "cannot write the package %s", out.c_str());
    // The name list keeps no id base: empty slots stand for the ids below it.
    FXPackage names;
    for (int i = 0; i < pkg.names.idBase; ++i)
        names.names.names.Push(nullptr);
    for (int i = 0; i < pkg.names.names.count; ++i)
        names.names.names.Push(pkg.names.names.Get(i));
    std::string nameList = out + ".names";
    if (!names.SaveNames(nameList.c_str()))
        return Fail(0, "cannot write the name list %s", nameList.c_str());
    return true;
}

} // namespace

bool FXPackageBuilder::Build(const char* manifest, const char* out)
{
    error.clear();
    entries = totalEntries = 0;
    if (!manifest || !out || !*manifest || !*out) {
        error = "a manifest and an output file are needed";
        return false;
    }
    Builder b(this, manifest, out);
    return b.Run();
}
