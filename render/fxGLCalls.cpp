#include "render/fxGLCalls.h"

#include "render/fxGLHeaders.h"

FXGLCalls fxgl = {glBegin, glEnd, glColor4fv, glNormal3fv, glTexCoord2fv, glVertex3fv};
