#include "render/FXMatlib.h"

#include "base/fxTrace.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXMaterial.h"
#include "render/PEnv.h"

#include <cstdio>
#include <cstring>

namespace {

enum { kPiece = 1024 };

// The id of a reference text: exactly one decimal integer.
bool localParseId(const char* text, int* id)
{
    char extra;
    return text && std::sscanf(text, "%d %c", id, &extra) == 1;
}

void localSkipLine(FILE* f)
{
    char piece[kPiece];
    if (!std::fgets(piece, sizeof piece, f))
        piece[0] = 0;
}

// The rest of the line, trimmed.
void localRestOfLine(FILE* f, FXStr* out)
{
    char piece[kPiece];
    if (!std::fgets(piece, sizeof piece, f))
        piece[0] = 0;
    out->Set(piece);
    out->TrimSpaces();
}

bool localNextToken(FILE* f, char* token)
{
    return std::fscanf(f, "%1023s", token) == 1;
}

bool localIsNewmtl(const char* token)
{
    return std::strncmp(token, "newmtl", 6) == 0;
}

// A line with fewer numbers keeps the channels it did not give.
void localReadRgb(FILE* f, float* c)
{
    int matched = std::fscanf(f, "%f %f %f", &c[0], &c[1], &c[2]);
    (void)matched;
}

} // namespace

bool FXMatlib::LoadC(FXPackage* pkg, const char* text)
{
    int id = 0;
    if (!pkg || !localParseId(text, &id))
        return false;
    FXPackageData* data = pkg->GetDataPtr(id);
    if (!data)
        return false;
    data->ReadString(&name);
    int n = data->ReadInt();
    // A count beyond the records the entry holds stops at the first record
    // that reads nothing: a corrupt count must not make millions of materials.
    for (int i = 0; i < n && data->remaining > 0; ++i) {
        int before = data->remaining;
        FXMaterial* m = new FXMaterial;
        m->LoadC(pkg, data);
        if (data->remaining == before) {
            delete m;
            break;
        }
        materials.Push(m);
    }
    return true;
}

bool FXMatlib::LoadFromMtl(const char* path)
{
    Destroy();
    FILE* f = path && *path ? std::fopen(path, "r") : nullptr;
    if (!f)
        return false;
    name.Set(path);

    char token[FXStr::kMaxLen + 1];
    int count = 0;
    while (localNextToken(f, token)) {
        if (token[0] == 'n') {
            if (localIsNewmtl(token))
                ++count;
            else
                err("FXMatlib::LoadFromMtl -> unknown token(0): %s  in lib:%s\n", token, path);
        }
        localSkipLine(f);
    }

    // The first material takes what stands before the first "newmtl".
    materials.Realloc(count + 1);
    for (int i = 0; i <= count; ++i) {
        FXMaterial* m = new FXMaterial;
        m->loaded = true;
        m->SetDefSpecular(1.0f);
        materials.Push(m);
    }

    std::rewind(f);
    int current = 0;
    FXMaterial* m = static_cast<FXMaterial*>(materials.items[0]);
    FXStr rest;
    while (localNextToken(f, token)) {
        switch (token[0]) {
        case '#':
            localSkipLine(f);
            break;
        case 'n':
            if (!localIsNewmtl(token)) {
                localSkipLine(f);
                break;
            }
            localRestOfLine(f, &rest);
            // A "newmtl" the counting pass skipped (it followed another
            // token on its line) must not step past the last material.
            if (current < count)
                m = static_cast<FXMaterial*>(materials.items[++current]);
            {
                char word[FXStr::kMaxLen + 1];
                if (std::sscanf(rest.Get(), "%1023s", word) != 1)
                    word[0] = 0;
                m->name.Set(word);
                m->name.TrimSpaces();
            }
            break;
        case 'K':
            if (token[1] == 'a')
                localReadRgb(f, m->ambient);
            else if (token[1] == 'd')
                localReadRgb(f, m->diffuse);
            else if (token[1] == 's')
                localReadRgb(f, m->specular);
            else
                localSkipLine(f);
            break;
        case 'N':
            if (token[1] == 's') {
                float s = 0;
                if (std::fscanf(f, "%f", &s) == 1)
                    m->shininess = s * 1.28f;
            } else if (token[1] == 'i') {
                localSkipLine(f);
            }
            break;
        case 'd': {
            float a = 0;
            if (std::fscanf(f, "%f", &a) == 1)
                m->diffuse[3] = a;
            break;
        }
        case 'm':
            if (std::strcmp(token, "map_Kd") == 0) {
                localRestOfLine(f, &rest);
                m->LoadTexture(rest.Get());
                m->textureRef = rest;
            } else {
                localSkipLine(f);
            }
            break;
        default:
            localSkipLine(f);
            break;
        }
    }
    std::fclose(f);
    return true;
}

int FXMatlib::AddMaterial(FXMaterial* m)
{
    int at = materials.Findpos(m);
    if (at >= 0)
        return at;
    materials.Push(m);
    return materials.count - 1;
}

int FXMatlib::RemoveMaterial(FXMaterial* m)
{
    return materials.Remove(m);
}

FXMaterial* FXMatlib::FindMaterial(const char* wanted) const
{
    if (parent) {
        if (FXMaterial* m = parent->FindMaterial(wanted))
            return m;
    }
    for (int i = 0; i < materials.count; ++i) {
        FXMaterial* m = static_cast<FXMaterial*>(materials.items[i]);
        if (m && m->name.Compare(wanted))
            return m;
    }
    return nullptr;
}

void FXMatlib::Destroy()
{
    for (int i = 0; i < materials.count; ++i) {
        FXMaterial* m = static_cast<FXMaterial*>(materials.items[i]);
        if (m && m->loaded) {
            m->Destroy();
            delete m;
        }
    }
    materials.RemoveAll();
}

void FXMatlib::Release()
{
    --refCount;
    if (!selfDeleting || refCount > 0)
        return;
    // Out of the environment's list before it goes, so the list never holds
    // a freed library.
    if (env)
        env->RemoveMatlib(this);
    delete this;
}
