#include "device/fxGLCalls.h"

#include "device/fxGLHeaders.h"

FXGLCalls fxgl = {glBegin, glEnd, glColor4fv, glNormal3fv, glTexCoord2fv, glVertex3fv};
