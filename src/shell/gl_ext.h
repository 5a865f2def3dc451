// SPDX-License-Identifier: MIT
// The framebuffer-object functions of GL_OES_framebuffer_object. libGLESv1_CM exports only the
// core 1.1 entry points, so these are fetched from the context at run time.
#pragma once

#include <GLES/gl.h>
#include <GLES/glext.h>

namespace glext {

extern PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers;
extern PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers;
extern PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer;
extern PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D;
extern PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer;
extern PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus;
extern PFNGLGENRENDERBUFFERSOESPROC genRenderbuffers;
extern PFNGLDELETERENDERBUFFERSOESPROC deleteRenderbuffers;
extern PFNGLBINDRENDERBUFFEROESPROC bindRenderbuffer;
extern PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage;

// Fetches them for the current context. False when any is missing.
bool load();

} // namespace glext
