// PRender: anything the render loop can draw. t is the absolute frame time in
// seconds (fxGetTime at the frame's start).
#pragma once

class PEnv;

class PRender {
public:
    virtual ~PRender() {}
    virtual void OnRender(PEnv* env, double t) = 0;
};
