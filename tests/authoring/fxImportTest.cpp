#include "authoring/fxImport.h"
#include "geometry/FXMesh.h"
#include "geometry/FXModel.h"
#include "package/FXPackage.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void Write(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << path;
}

// UTF-8 text as UTF-16 with its byte-order mark, encoded here from the code
// points so that the reader is not checked against itself.
std::string Utf16(const std::string& utf8, bool bigEndian)
{
    std::vector<unsigned long> points;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        int n = c < 0x80 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
        unsigned long p = n == 1 ? c : c & (0xff >> (n + 1));
        for (int k = 1; k < n; ++k)
            p = p << 6 | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3f);
        points.push_back(p);
        i += static_cast<size_t>(n);
    }
    std::string out;
    auto unit = [&](unsigned long u) {
        char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xff);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    unit(0xfeff);
    for (unsigned long p : points) {
        if (p >= 0x10000) {
            unit(0xd800 + ((p - 0x10000) >> 10));
            unit(0xdc00 + ((p - 0x10000) & 0x3ff));
        } else {
            unit(p);
        }
    }
    return out;
}

const FXMesh* Mesh(const FXModel& m, int i)
{
    return static_cast<const FXMesh*>(m.meshes.Get(i));
}

std::string NoFile()
{
    return std::strerror(ENOENT);
}

} // namespace

TEST(fxImport, EveryEncodingGivesTheModelOfThePlainFile)
{
    // Non-ASCII names, a character outside the basic plane (a surrogate pair
    // in UTF-16), and Windows line ends.
    const std::string obj = "# Grüße 🌀\r\nmtllib lib.mtl\r\n"
                            "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\n"
                            "usemtl Holz_ä\nf 1/1/1 2/2/1 3/3/1\nusemtl 木🌀\r\nf 1/1/1 3/3/1 4/1/1\n";
    const std::string mtl = "newmtl Holz_ä\r\nKd 0.5 0.25 1\nnewmtl 木🌀\nKd 0 1 0\nd 0.5\n";
    TempDir dir;
    const std::pair<const char*, std::string (*)(const std::string&)> forms[] = {
        {"plain", [](const std::string& s) { return s; }},
        {"utf16le", [](const std::string& s) { return Utf16(s, false); }},
        {"utf16be", [](const std::string& s) { return Utf16(s, true); }},
        {"utf8bom", [](const std::string& s) { return "\xef\xbb\xbf" + s; }},
    };
    FXModel plain;
    for (const auto& form : forms) {
        std::string folder = dir.File(form.first);
        Write(folder + "/model.obj", form.second(obj));
        Write(folder + "/lib.mtl", form.second(mtl));
        std::string text;
        std::string why;
        ASSERT_TRUE(fxReadSourceText((folder + "/lib.mtl").c_str(), &text, &why)) << form.first << ": " << why;
        EXPECT_EQ(text, mtl) << form.first;

        FXModel m;
        std::string error;
        ASSERT_TRUE(m.ImportObj((folder + "/model.obj").c_str(), &error)) << form.first << ": " << error;
        if (std::string(form.first) == "plain") {
            ASSERT_EQ(m.meshes.count, 2);
            EXPECT_STREQ(Mesh(m, 0)->matName.Get(), "Holz_ä");
            EXPECT_STREQ(Mesh(m, 1)->matName.Get(), "木🌀");
            ASSERT_NE(Mesh(m, 1)->material, nullptr);
            EXPECT_FLOAT_EQ(Mesh(m, 1)->material->diffuse[3], 0.5f);
            plain.Copy(&m);
            continue;
        }
        ASSERT_EQ(m.meshes.count, plain.meshes.count) << form.first;
        for (int i = 0; i < m.meshes.count; ++i) {
            const FXMesh* a = Mesh(plain, i);
            const FXMesh* b = Mesh(m, i);
            EXPECT_STREQ(b->matName.Get(), a->matName.Get()) << form.first;
            ASSERT_NE(b->material, nullptr) << form.first;
            EXPECT_STREQ(b->material->name.Get(), a->material->name.Get()) << form.first;
            EXPECT_EQ(std::memcmp(b->material->diffuse, a->material->diffuse, sizeof a->material->diffuse), 0);
            EXPECT_EQ(b->transpMode, a->transpMode) << form.first;
            ASSERT_EQ(b->vertexCount, a->vertexCount) << form.first;
            ASSERT_EQ(b->indexCount, a->indexCount) << form.first;
            size_t bytes = sizeof(tagFXVertex) * static_cast<size_t>(a->vertexCount);
            EXPECT_EQ(std::memcmp(b->vertices, a->vertices, bytes), 0) << form.first;
            EXPECT_EQ(std::memcmp(b->indices, a->indices, sizeof(int) * static_cast<size_t>(a->indexCount)), 0);
        }
    }

    // What cannot be text is refused with its reason, never read as a file
    // without faces.
    const std::pair<std::string, const char*> bad[] = {
        {std::string("\xff\xfev\0 ", 5), "odd number of bytes"},
        {std::string("\xff\xfe\x00\xd8v\0", 6), "broken surrogate pair at byte 2"},
        {std::string("\xfe\xff\xdc\x00\x00v", 6), "broken surrogate pair at byte 2"},
        {std::string("v\0 \0" "0\0 \0", 8), "byte-order mark"},
    };
    for (const auto& b : bad) {
        Write(dir.File("bad.obj"), b.first);
        FXModel m;
        std::string why;
        EXPECT_FALSE(m.ImportObj(dir.File("bad.obj").c_str(), &why));
        EXPECT_NE(std::string(why).find(dir.File("bad.obj") + ": "), std::string::npos) << why;
        EXPECT_NE(std::string(why).find(b.second), std::string::npos) << why;
        EXPECT_EQ(m.meshes.count, 0);
    }
    // An MTL that cannot be text fails the OBJ that names it.
    Write(dir.File("plain/lib.mtl"), std::string("\xff\xfen", 3));
    FXModel m;
    std::string why;
    EXPECT_FALSE(m.ImportObj(dir.File("plain/model.obj").c_str(), &why));
    EXPECT_NE(std::string(why).find(dir.File("plain/lib.mtl") + ": a UTF-16 text"), std::string::npos)
        << why;
}

TEST(fxImport, FilesAreNamedWithEitherSeparatorAndMissingOnesAreNamed)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    std::filesystem::create_directories(dir.File("sub/tex"));
    ASSERT_TRUE(WritePng(dir.File("sub/tex/wood.png"), 10, 6, std::vector<uint32_t>(60, 0xff2060a0u)));
    Write(dir.File("sub/tex/junk.png"), "not a picture");
    // Options before the name take their words: flags one, -mm two, -o, -s
    // and -t up to three numbers.
    Write(dir.File("sub/lib.mtl"), "newmtl a\nmap_Kd .\\tex\\wood.png\nnewmtl b\nmap_Kd  tex\\wood.png \n"
                                   "newmtl c\nmap_Kd -s 1 1 1 -o 0.5 -blendu on -blendv off -mm 0 1 -clamp on tex/wood.png\n"
                                   "newmtl d\nmap_Kd -bm 0.5 -imfchan m -texres 512 -type sphere -t 0.1 -0.2 -cc off "
                                   "-boost 2 tex\\wood.png\n");
    const std::string faces = "v 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl a\nf 1 2 3\n";
    Write(dir.File("model.obj"), "# from Windows\nmtllib sub\\lib.mtl\n" + faces);

    FXModel m;
    std::string why;
    ASSERT_TRUE(m.ImportObj(dir.File("model.obj").c_str(), &why)) << why;
    ASSERT_NE(m.matlib, nullptr);
    EXPECT_STREQ(m.matlibName.Get(), dir.File("sub/lib.mtl").c_str());
    const FXMaterial* a = m.matlib->FindMaterial("a");
    const FXMaterial* b = m.matlib->FindMaterial("b");
    ASSERT_TRUE(a && b);
    EXPECT_STREQ(a->textureRef.Get(), "./tex/wood.png");
    EXPECT_STREQ(b->textureRef.Get(), "tex/wood.png");
    for (const char* name : {"c", "d"}) {
        const FXMaterial* o = m.matlib->FindMaterial(name);
        ASSERT_TRUE(o) << name;
        EXPECT_STREQ(o->textureRef.Get(), "tex/wood.png") << name;
        EXPECT_EQ(o->GetWidth(), 10) << name;
    }
    EXPECT_EQ(a->GetWidth(), 10) << "the texture is read from the MTL's folder";
    EXPECT_EQ(b->GetHeight(), 6);
    EXPECT_EQ(Mesh(m, 0)->material, a);

    // A texture that is missing or no picture fails the library, naming the
    // MTL's line and the texture as written there.
    const std::pair<const char*, std::string> textures[] = {
        {"tex\\none.png", "texture tex/none.png: " + NoFile()},
        {"tex/junk.png", "texture tex/junk.png: the image library cannot decode it"},
    };
    for (const auto& t : textures) {
        Write(dir.File("sub/bad.mtl"), std::string("newmtl a\n\nmap_Kd ") + t.first + "\n");
        FXMatlib lib;
        std::string error;
        EXPECT_FALSE(fxImportMtl(&lib, dir.File("sub/bad.mtl").c_str(), &error));
        EXPECT_EQ(std::string(error), dir.File("sub/bad.mtl") + ":3: " + t.second);
        EXPECT_EQ(lib.materials.count, 0);
    }

    // A missing material library is a warning, with the OBJ's line; the
    // meshes keep their material names and get the default material.
    Write(dir.File("lost.obj"), "o lost\nmtllib gone\\lib.mtl\n" + faces);
    FXModel lost;
    FXStrArray warnings;
    ASSERT_TRUE(fxImportObj(&lost, dir.File("lost.obj").c_str(), &why, &warnings)) << why;
    ASSERT_EQ(warnings.count, 1);
    EXPECT_EQ(std::string(warnings.Get(0)), dir.File("lost.obj") + ":2: warning: material library gone/lib.mtl: " +
                                                NoFile() + "; its materials get the default");
    EXPECT_EQ(lost.matlib, nullptr);
    ASSERT_EQ(lost.meshes.count, 1);
    EXPECT_STREQ(Mesh(lost, 0)->matName.Get(), "a");
    EXPECT_EQ(Mesh(lost, 0)->material, nullptr);
    fxUnloadDevil();
}

TEST(fxImport, MaterialFilesReadAsTheEngineReadsThem)
{
    TempDir dir;
    // Colours before the first material, partial colour lines, keys the
    // engine skips or passes over, and a material named twice.
    Write(dir.File("lib.mtl"), "# library\nKd 0.3 0.3 0.3\nnewmtl gold\nKa 0.1 0.2\nKd 0.9 0.7 0.25\n"
                               "Ks 1 0.95 0.8\nNs 100\nNi 1.5\nillum 2\nTr 0.5\nd 0.75\n"
                               "newmtl glass   extra\nNx Kd 0 0 1\nd 0.5\nmap_Ka nothing.png\nnewmtl gold\n");
    FXMatlib engine, authoring;
    ASSERT_TRUE(engine.LoadFromMtl(dir.File("lib.mtl").c_str()));
    std::string why;
    ASSERT_TRUE(fxImportMtl(&authoring, dir.File("lib.mtl").c_str(), &why)) << why;
    ASSERT_EQ(authoring.materials.count, engine.materials.count);
    ASSERT_EQ(authoring.materials.count, 4);
    for (int i = 0; i < engine.materials.count; ++i) {
        const FXMaterial* e = static_cast<const FXMaterial*>(engine.materials.Get(i));
        const FXMaterial* a = static_cast<const FXMaterial*>(authoring.materials.Get(i));
        EXPECT_STREQ(a->name.Get(), e->name.Get()) << i;
        EXPECT_TRUE(a->loaded);
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(a->ambient[c], e->ambient[c]) << i << c;
            EXPECT_EQ(a->diffuse[c], e->diffuse[c]) << i << c;
            EXPECT_EQ(a->specular[c], e->specular[c]) << i << c;
            EXPECT_EQ(a->emission[c], e->emission[c]) << i << c;
        }
        EXPECT_EQ(a->shininess, e->shininess) << i;
        EXPECT_STREQ(a->textureRef.Get(), e->textureRef.Get()) << i;
    }
    EXPECT_STREQ(static_cast<const FXMaterial*>(authoring.materials.Get(2))->name.Get(), "glass");
    EXPECT_FLOAT_EQ(static_cast<const FXMaterial*>(authoring.materials.Get(2))->diffuse[2], 1);

    FXMatlib missing;
    EXPECT_FALSE(fxImportMtl(&missing, dir.File("none.mtl").c_str(), &why));
    EXPECT_EQ(std::string(why), dir.File("none.mtl") + ": " + NoFile());
}

TEST(fxImport, ImportedModelSavesAndLoadsBackAsImported)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    // A 10 x 6 picture fills 10/16 by 6/8 of its texture: coordinates in
    // picture units and in texture units differ.
    ASSERT_TRUE(WritePng(dir.File("wood.png"), 10, 6, std::vector<uint32_t>(60, 0xff3080c0u)));
    Write(dir.File("lib.mtl"), "newmtl wood\nmap_Kd wood.png\nnewmtl paint\nKd 1 0 0\n");
    Write(dir.File("m.obj"), "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                             "vt 0 0\nvt 1 0\nvt 1 1\nvt 0.5 0.25\n"
                             "usemtl wood\nf 1/1 2/2 3/3 4/4\nusemtl paint\nf 1/4 3/3 4/1\n");
    FXModel imported;
    std::string why;
    ASSERT_TRUE(imported.ImportObj(dir.File("m.obj").c_str(), &why)) << why;
    ASSERT_EQ(imported.meshes.count, 2);
    const FXMesh* wood = Mesh(imported, 0);
    ASSERT_NE(wood->material, nullptr);
    const float eu = wood->material->texExtentU, ev = wood->material->texExtentV;
    ASSERT_FLOAT_EQ(eu, 10.0f / 16.0f);
    ASSERT_FLOAT_EQ(ev, 6.0f / 8.0f);

    for (int version : {2, 3}) {
        std::string path = dir.File("m.xm");
        ASSERT_TRUE(imported.Save(path.c_str(), version));
        std::string file = PackageFile("pck01", PackagePayload({{5, ReadFileBytes(path), -1}}));
        FXPackage pkg;
        ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
        FXModel back;
        ASSERT_TRUE(back.LoadCN(&pkg, 5));
        ASSERT_EQ(back.loadedMeshes.count, imported.meshes.count) << version;
        for (int i = 0; i < imported.meshes.count; ++i) {
            const FXMesh* a = Mesh(imported, i);
            const FXMesh* b = static_cast<const FXMesh*>(back.loadedMeshes.Get(i));
            EXPECT_STREQ(b->matName.Get(), a->matName.Get());
            EXPECT_EQ(b->loaded_u, a->loaded_u) << version << " mesh " << i;
            EXPECT_EQ(b->loaded_v, a->loaded_v) << version << " mesh " << i;
            EXPECT_EQ(b->transpMode, a->transpMode);
            EXPECT_EQ(b->colMode, a->colMode);
            ASSERT_EQ(b->indexCount, a->indexCount);
            for (int k = 0; k < a->indexCount; ++k) {
                const tagFXVertex& x = a->vertices[a->indices[k]];
                const tagFXVertex& y = b->vertices[b->indices[k]];
                EXPECT_EQ(std::memcmp(x.pos, y.pos, sizeof x.pos), 0) << version << " mesh " << i << " corner " << k;
                EXPECT_EQ(x.tex[0], y.tex[0]) << version << " mesh " << i << " corner " << k;
                EXPECT_EQ(x.tex[1], y.tex[1]) << version << " mesh " << i << " corner " << k;
            }
        }
        // The show rescales to its own texture of the same picture: the
        // picture lands where the OBJ put it (vt (1, 1) is the picture's
        // top right corner, v counting from the bottom).
        back.UpdateMeshes();
        FXMesh* shown = static_cast<FXMesh*>(back.meshes.Get(0));
        shown->material = wood->material;
        back.ResizeTextCoords();
        bool found = false;
        for (int k = 0; k < shown->vertexCount; ++k) {
            if (shown->vertices[k].pos[0] == 1 && shown->vertices[k].pos[1] == 1) {
                found = true;
                EXPECT_FLOAT_EQ(shown->vertices[k].tex[0], eu) << version;
                EXPECT_FLOAT_EQ(shown->vertices[k].tex[1], 0) << version;
            }
            if (shown->vertices[k].pos[0] == 0 && shown->vertices[k].pos[1] == 1) {
                EXPECT_FLOAT_EQ(shown->vertices[k].tex[0], 0.5f * eu) << version;
                EXPECT_FLOAT_EQ(shown->vertices[k].tex[1], 0.75f * ev) << version;
            }
        }
        EXPECT_TRUE(found);
        shown->material = nullptr;
    }
    fxUnloadDevil();
}
