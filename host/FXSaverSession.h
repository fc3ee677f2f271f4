// FXSaverSession: one run of the saver, the rules by which it ends. Every
// window system's host translates its native events into FXSaverInput and
// does what the answer says; the rules are nowhere else.
//
// Full screen: a key closes at once, also before the scene has started.
// Pointer movement of more than a few pixels from its origin, a button and
// losing the focus ask to close, as does a close request from the window
// system; such a request is honoured only once the scene has started and
// more than 4 s have passed since (or after a key), else dropped: the next
// input asks again. The wheel never closes.
// Preview: a key, a close request or the parent's going closes at once;
// the pointer, buttons, the wheel and the focus leave it alone.
// Normal window: as full screen, but a close request (its close button)
// closes at once and losing the focus is nothing.
// Hack (drawing into a given window): only that window's going ends it.
#pragma once

class FXSaverInput {
public:
    enum Kind {
        kKey,          // any key pressed or released
        kPointer,      // the pointer at x, y in screen coordinates
        kButton,       // button number: 1 left, 2 middle, 3 right, 4 and up further ones
        kWheel,        // step notches, above 0 away from the user
        kFocusLost,    // the saver's window lost the input focus
        kCloseRequest, // the window system or the user asks the window to close
        kParentGone,   // the window the saver lives in (or draws into) is gone
    };

    static FXSaverInput Key() { return FXSaverInput(kKey); }
    static FXSaverInput Pointer(int x, int y) { return FXSaverInput(kPointer, x, y); }
    static FXSaverInput Button(int number) { return FXSaverInput(kButton, 0, 0, number); }
    static FXSaverInput Wheel(int step) { return FXSaverInput(kWheel, 0, 0, 0, step); }
    static FXSaverInput FocusLost() { return FXSaverInput(kFocusLost); }
    static FXSaverInput CloseRequest() { return FXSaverInput(kCloseRequest); }
    static FXSaverInput ParentGone() { return FXSaverInput(kParentGone); }

    Kind kind;
    int x, y;
    int button;
    int step;

private:
    explicit FXSaverInput(Kind kind, int x = 0, int y = 0, int button = 0, int step = 0)
        : kind(kind), x(x), y(y), button(button), step(step)
    {
    }
};

class FXSaverSession {
public:
    enum Mode { kFullScreen, kPreview, kHack, kWindow };
    enum Answer {
        kNothing,
        kClose,  // close the saver window; the host then ends the scene and itself
        kEndNow, // end the process at once, without destructors
    };

    static const double kGraceSeconds; // 4: close requests before are dropped

    FXSaverSession() { Create(kFullScreen); }

    // A new run in mode: no origin, nothing started, no key seen.
    void Create(Mode mode);

    // Where the pointer was when the saver came up; the first pointer
    // position is taken instead when none was given.
    void SetPointerOrigin(int x, int y);
    // The scene has started at time now (seconds): the grace clock runs.
    void Started(double now);

    // What to do about one input at time now (seconds, the fxGetTime clock).
    Answer Take(const FXSaverInput& in, double now);
    Answer Take(const FXSaverInput& in);

    // Starts the scene on window (InitScene, or what fxSetSaverScene gave)
    // and the grace clock after it.
    void StartScene(void* window);
    // Ends the scene: kNothing once it is released, kEndNow when its render
    // thread is stuck in a frame (the destructors would wait for that thread
    // or pull objects from under it).
    Answer EndScene();

    Mode mode;
    bool escapeHit;   // a key reached the saver
    bool started;     // the scene finished starting
    double startTime; // when it did
    bool haveOrigin;
    int originX, originY;

private:
    bool PointerMoved(int x, int y) const;
    Answer Grace(double now) const; // a close asked for by the input
};

// The scene a session starts and ends: InitScene and DestroyScene unless
// replaced (tests); null puts the default back.
void fxSetSaverScene(void (*init)(void* window, bool preview), bool (*destroy)());
