// SMovie: a sprite movie played on a textured quad. Each frame is a colour
// JPEG and a grey JPEG mask of the same size (the mask becomes alpha),
// cropped to the frame's visible box; a rectangle per frame places the crop
// on the desk's square -1..+1. Frames are decoded ahead into a small pool of
// materials and retired one per OnRender once the frame time has passed, so
// a slow renderer slows the movie down but never skips a frame.
//
// Frame count is the number of pictureNames. A record may carry fewer mask
// names or rectangles than pictures: a frame without a mask does not decode
// (it is queued and shows its material's previous texture), a frame without
// a complete rectangle covers the whole square.
//
// All operations run on the render thread with env's context current: the
// frames are uploaded to env, and each texture is released by the device
// that made it.
#pragma once

#include "base/FXArray.h"
#include "base/FXFloatArray.h"
#include "base/FXStrArray.h"
#include "geometry/FXDesk.h"
#include "render/FXPixmap.h"
#include "render/PRender.h"

#include <cstdio>

class FXAnim;
class FXMaterial;
class FXPackage;
class FXPackageData;

class SMovie : public PRender {
public:
    bool packed;       // frames are picture/mask pairs; else each name is a plain picture
    bool playing;      // frames are retired only while set
    bool loop;         // playing goes on past the last (or, backwards, the first) frame
    bool pingPong;     // with loop, reverse at the ends instead of wrapping
    bool needsSetup;   // the next Prepare creates the desk and the pool
    int poolSize;      // materials in the pool: frames decoded ahead
    FXStrArray pictureNames; // per frame: decimal entry id (packaged) or file path
    FXStrArray maskNames;
    FXArray pictureData, pictureSizes; // per frame: bytes and their count
    FXArray maskData, maskSizes;
    FXArray ready;          // FXMaterial*, owned: decoded frames, oldest (on screen) first
    FXArray readyFrames;    // frame index of each entry of ready
    FXArray freeMaterials;  // FXMaterial*, owned: pool materials holding no waiting frame
    FXDesk desk;
    int direction;     // +1 forwards, -1 backwards
    int prepIndex;     // frame decoded last
    bool finished;     // no further frame will be decoded
    double frameTime;  // seconds per frame
    double lastSwitch; // clock time at which the frame on screen came up
    FXPixmap pixmap;   // scratch block a frame is assembled in
    bool inMemory;     // the compressed frames are in the data arrays
    bool hasRects;     // frameRects is valid
    FXArray edges;     // authoring: left, top, right, bottom pixel edges per frame
    FXFloatArray frameRects; // left, top, right, bottom per frame on the square
    int maxWidth, maxHeight; // largest crop, stored but not used for playback
    bool waitForFrame; // OnRender blocks until the frame time has passed
    bool loaded;       // a record was read or written
    bool hasStartEnd;  // startEnd holds key frames for the linked animations
    FXArray startEnd;  // ascending key frame numbers
    FXAnim* anim;      // linked animations driven by the movie; not owned
    FXAnim* anim2;
    int windowStart, windowEnd; // key frame window of the linked animations
    FXPackage* package; // owns the frame data of a packaged movie
    float phase;        // index of the frame retired last / (frame count - 1)
    PEnv* env;          // frames are uploaded here: the environment current when the record was read

    SMovie();
    ~SMovie() override;
    SMovie(const SMovie&) = delete;
    SMovie& operator=(const SMovie&) = delete;

    // Destroy, then the movie record of entry id. False, with the movie
    // empty, when the entry is missing or its tag unknown.
    bool LoadCN(FXPackage* pkg, int id);
    // The entry whose decimal id text starts with; false (nothing done)
    // when it does not start with a number.
    bool LoadC(FXPackage* pkg, const char* text);
    // The record from a cursor into the current movie, without Destroy.
    bool LoadRecordC(FXPackageData* data);
    // Fetches every frame's compressed picture and mask once; false when any
    // of them is missing (its slot is then null).
    bool LoadIntoMem();
    // With a package: the bytes of the entry whose decimal id is name (owned
    // by the package). Without: the whole file in a new malloc'd block.
    // Null and 0 when there is nothing.
    unsigned char* PrepareMem(const char* name, int* size);
    // Decodes frames ahead into free pool materials; limit -1 until the pool
    // is used up, otherwise until ready holds limit frames.
    void Prepare(int limit);
    // Frame index from memory into the material's texture. False, with the
    // material's texture untouched, when the frame does not decode as an RGB
    // picture and a one-channel mask of the picture's size.
    bool PrepareTextureMem(int index, FXMaterial* material);
    // The same from two picture files.
    bool PrepareTexture(const char* picture, const char* mask, FXMaterial* material);

    // Draws the frame on screen and retires it when its time is up.
    void OnRender(PEnv* env, double time) override;
    // Material, rectangle, linked animations and mesh notice only.
    virtual void OnRender0(PEnv* env, double time);
    // Drawing and retiring only; the desk's material, corners and phase stay.
    virtual void OnRender1(PEnv* env, double time);

    // None of the three empties ready or resets phase.
    void Restart(double t);
    void RestartBack(double t);
    void Continue(double t);
    // Every waiting frame's material back to the free list.
    void EmptyPrepared();
    // Drives anim (and anim2) from frame f through the key frame window.
    void PrepareStartEnd(int f);
    // Releases the pool, the frame data not owned by a package, every array,
    // the pixmap and the desk's mesh. The playback settings (loop, pingPong,
    // waitForFrame, frameTime, lastSwitch, hasStartEnd, the window, phase,
    // playing, poolSize) stay.
    void Destroy();

    int GetFrameCount() const { return pictureNames.count; }

    // Box of the pixels whose alpha is not 0: left and top inclusive, right
    // and bottom one past the last. False (all 0) when every pixel is clear.
    static bool ComputeEdges(const FXPixmap* p, int* left, int* top, int* right, int* bottom);
    // The part of a picture a linearly filtered draw can take a non-zero
    // alpha from, as fractions of its width and height (left, top, right,
    // bottom; top 0): the box of ComputeEdges widened by one pixel each way
    // for the filter's reach. False (box all 0) when every alpha is 0: under
    // alpha blending and the alpha test such a frame changes no pixel.
    static bool FillBox(const FXPixmap& p, float* box);

    // Authoring side (authoring/SMovieWriter.cpp). A movie is built frame by
    // frame with AddFrame, then either saved as a file (Save) or compiled
    // into a package (AddToPackage).

    // The file form, tagged "xs03", names relative to the current directory.
    bool Save(const char* path) const;
    // Reads the file form (any of the three tags) and makes its names
    // absolute again. False, with the movie empty, when nothing was read.
    bool Load(const char* path);
    // The record as a package entry holds it, tagged "xs03", names as they
    // are (decimal ids after Compile).
    bool SaveRecord(FILE* f) const;
    // Queues every picture and mask file in the package and replaces each
    // name by the id it gets. False when a name is empty.
    bool Compile(FXPackage* pkg);
    // Compile, the record written to recordPath and queued as entry id (one
    // the package's name server does not give out); the package's Save then
    // stores the whole movie. The names are ids afterwards.
    bool AddToPackage(FXPackage* pkg, int id, const char* recordPath);
    // Relative names become paths below the current directory.
    void PrepareNameArray();
    // Appends a frame from an RGBA picture (the full movie area): the crop
    // is written as a three-channel JPEG to pictPath and its alpha as a
    // one-channel JPEG to maskPath (quality: FXCanvas::SetJpegQuality), and
    // its rectangle, edges and the largest crop size are recorded. A clear
    // frame keeps its top-left pixel. False when a file cannot be written.
    bool AddFrame(const FXPixmap& rgba, const char* pictPath, const char* maskPath);
    // Swaps frame index with its neighbour in direction dir (+1 or -1).
    void MovePos(int index, int dir);
    void DeletePos(int index);

private:
    bool decodeReported = false; // a failed decode was traced since the last Destroy
    // Every pool material (owned through ready and freeMaterials) and the
    // fill box of the texture it holds, 4 floats each: the whole picture
    // until a frame has been decoded into it.
    FXArray pool;
    FXFloatArray poolBoxes;

    FXMaterial* Head() const;
    void ShowHead(PEnv* env);
    void DrawHead(PEnv* env);
    void DrawAndRetire(PEnv* env, double time, bool setPhase);
    void StepPrepIndex(int n);
};
