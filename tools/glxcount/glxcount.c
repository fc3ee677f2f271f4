/* glxcount: an LD_PRELOAD shim that counts a GL program's presented frames.
 * Every glXSwapBuffers or eglSwapBuffers (xscreensaver's hacks present
 * through EGL) is timed (wall clock since the first one, process
 * processor time); at exit the figures go to $GLXCOUNT_OUT for two windows
 * of the run given by GLXCOUNT_WINDOWS ("a,b,c,d" seconds after the
 * program started), so the saver and another GL program are measured the
 * same way. */
#define _GNU_SOURCE
#include <EGL/egl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double start_wall = -1, first_wall = -1;
static double windows[4] = {1, 8, 10, 16};
static long frames[2];
static double cpu_at[2][2], wall_at[2][2];
static int seen[2][2];

static double now(clockid_t c)
{
    struct timespec ts;
    clock_gettime(c, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

__attribute__((constructor)) static void glxcount_start(void)
{
    start_wall = now(CLOCK_MONOTONIC);
    const char* w = getenv("GLXCOUNT_WINDOWS");
    if (w)
        sscanf(w, "%lf,%lf,%lf,%lf", &windows[0], &windows[1], &windows[2], &windows[3]);
}

static int written;

/* Written once the second window is over (a program ended by a signal runs
 * no destructors), or at exit. */
__attribute__((destructor)) static void glxcount_end(void)
{
    if (written)
        return;
    written = 1;
    const char* out = getenv("GLXCOUNT_OUT");
    FILE* f = out ? fopen(out, "w") : NULL;
    if (!f)
        return;
    fprintf(f, "first_frame_s %.3f\n", first_wall);
    for (int k = 0; k < 2; ++k) {
        double wall = wall_at[k][1] - wall_at[k][0], cpu = cpu_at[k][1] - cpu_at[k][0];
        if (seen[k][0] && seen[k][1] && frames[k] > 0 && wall > 0)
            fprintf(f, "window%d %.1f-%.1f_s fps %.1f cpu_ms_per_frame %.2f frames %ld\n", k, windows[2 * k],
                    windows[2 * k + 1], frames[k] / wall, 1000 * cpu / frames[k], frames[k]);
    }
    fclose(f);
}

static void glxcount_frame(void)
{
    double t = now(CLOCK_MONOTONIC) - start_wall, cpu = now(CLOCK_PROCESS_CPUTIME_ID);
    if (t >= windows[3]) {
        glxcount_end();
        return;
    }
    if (first_wall < 0)
        first_wall = t;
    for (int k = 0; k < 2; ++k) {
        if (t >= windows[2 * k] && t < windows[2 * k + 1]) {
            if (!seen[k][0]) {
                seen[k][0] = 1;
                wall_at[k][0] = t;
                cpu_at[k][0] = cpu;
            } else {
                ++frames[k];
                seen[k][1] = 1;
                wall_at[k][1] = t;
                cpu_at[k][1] = cpu;
            }
        }
    }
}

void glXSwapBuffers(Display* d, GLXDrawable w)
{
    static void (*real)(Display*, GLXDrawable) = NULL;
    if (!real)
        real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    glxcount_frame();
    real(d, w);
}

EGLBoolean eglSwapBuffers(EGLDisplay d, EGLSurface s)
{
    static EGLBoolean (*real)(EGLDisplay, EGLSurface) = NULL;
    if (!real)
        real = (EGLBoolean(*)(EGLDisplay, EGLSurface))dlsym(RTLD_NEXT, "eglSwapBuffers");
    glxcount_frame();
    return real(d, s);
}
