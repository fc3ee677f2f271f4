// FXGRAutoAct: holds an environment's lock with its context current on this
// thread for the guard's scope.
#pragma once

#include "render/PEnv.h"

class FXGRAutoAct {
public:
    explicit FXGRAutoAct(PEnv* env) : env(env)
    {
        if (env) {
            env->Lock(true);
            env->SetAct(true);
        }
    }
    ~FXGRAutoAct()
    {
        if (env) {
            env->SetAct(false);
            env->Lock(false);
        }
    }
    FXGRAutoAct(const FXGRAutoAct&) = delete;
    FXGRAutoAct& operator=(const FXGRAutoAct&) = delete;

private:
    PEnv* env;
};
