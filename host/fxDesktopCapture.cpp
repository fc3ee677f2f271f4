#include "host/fxDesktopCapture.h"

#include "base/fxTrace.h"
#include "host/FXPictureCapture.h"
#include "render/FXPictureHeader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

namespace {

// A folder of photographs may be large: the walk stops after this many
// entries, and a failed decode is followed by at most this many more tries.
const size_t kMostEntries = 20000;
const size_t kMostTries = 16;

bool localIsPicture(const std::filesystem::path& p)
{
    unsigned char head[16] = {0};
    FILE* f = std::fopen(p.string().c_str(), "rb");
    if (!f)
        return false;
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (FXPictureHeader::Sniff(head, n) != FXPictureHeader::kUnknown)
        return true;
    return n > 0 && FXPictureHeader::TypeOfName(p.filename().string().c_str()) == FXPictureHeader::kTga;
}

std::unique_ptr<PScreenCapture> localPicture(const std::vector<std::string>& files, const FXDesktopRequest& r)
{
    auto picture = std::make_unique<FXPictureCapture>();
    picture->SetFiles(files);
    picture->SetScreen(r.screenWidth, r.screenHeight);
    return picture;
}

// The chosen capture, saying at its first Begin (once the show's trace log
// is open) what was chosen and why. Without one it is no screen: the
// built-in picture.
class NotedCapture : public PScreenCapture {
public:
    NotedCapture(std::unique_ptr<PScreenCapture> inner, std::string note)
        : inner(std::move(inner)), note(std::move(note))
    {
    }
    bool Begin(int* width, int* height, std::string* why) override
    {
        if (!note.empty())
            trc("%s\n", note.c_str());
        note.clear();
        if (inner)
            return inner->Begin(width, height, why);
        *width = *height = 0;
        why->clear();
        return false;
    }
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override
    {
        if (inner)
            return inner->Lock(pixels, pitch, why);
        *why = "Lock (nothing captured)";
        return false;
    }
    void End() override
    {
        if (inner)
            inner->End();
    }
    void Shutdown() override
    {
        if (inner)
            inner->Shutdown();
    }

private:
    std::unique_ptr<PScreenCapture> inner;
    std::string note;
};

} // namespace

std::vector<std::string> fxPicturesIn(const std::string& folder, size_t limit)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        return found;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (size_t seen = 0; !ec && it != end && seen < kMostEntries; it.increment(ec), ++seen)
        if (it->is_regular_file(ec) && localIsPicture(it->path()))
            found.push_back(it->path().string());
    std::shuffle(found.begin(), found.end(), std::mt19937(std::random_device()()));
    if (found.size() > limit)
        found.resize(limit);
    return found;
}

std::unique_ptr<PScreenCapture> fxChooseDesktopCapture(const FXDesktopRequest& r,
                                                       std::unique_ptr<PScreenCapture> screen, std::string* note)
{
    std::string why;
    std::unique_ptr<PScreenCapture> chosen;
    const FXXScreenSaverPrefs* x = r.mode == FXSaverSession::kHack ? r.xscreensaver : nullptr;
    if (r.mode == FXSaverSession::kPreview) {
        why = "desktop: none in the preview";
    } else if (r.setting.source == FXDesktopSource::none) {
        why = "desktop: none: the built-in picture";
    } else if (r.setting.source == FXDesktopSource::picture) {
        why = "desktop: the picture " + r.setting.file;
        chosen = localPicture({r.setting.file}, r);
    } else if (x && !x->grabDesktopImages) {
        why = "desktop: xscreensaver's grabDesktopImages is off: ";
        std::vector<std::string> files;
        if (x->chooseRandomImages)
            files = fxPicturesIn(x->imageDirectory, kMostTries);
        if (!files.empty()) {
            why += "a picture from " + x->imageDirectory;
            chosen = localPicture(files, r);
        } else if (x->chooseRandomImages) {
            why += "no picture in imageDirectory \"" + x->imageDirectory + "\": the built-in picture";
        } else {
            why += "the built-in picture";
        }
    } else {
        why = "desktop: captured";
        chosen = std::move(screen);
    }
    if (note)
        *note = why;
    if (r.mode == FXSaverSession::kPreview)
        return nullptr;
    return std::make_unique<NotedCapture>(std::move(chosen), why);
}
