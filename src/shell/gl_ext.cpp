// SPDX-License-Identifier: MIT
#include "shell/gl_ext.h"

#include <SDL.h>

namespace glext {

PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers = nullptr;
PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers = nullptr;
PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer = nullptr;
PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus = nullptr;
PFNGLGENRENDERBUFFERSOESPROC genRenderbuffers = nullptr;
PFNGLDELETERENDERBUFFERSOESPROC deleteRenderbuffers = nullptr;
PFNGLBINDRENDERBUFFEROESPROC bindRenderbuffer = nullptr;
PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage = nullptr;

template <typename T> static bool fetch(T& fn, const char* name) {
    fn = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return fn != nullptr;
}

bool load() {
    if (!SDL_GL_ExtensionSupported("GL_OES_framebuffer_object")) return false;
    bool ok = true;
    ok &= fetch(genFramebuffers, "glGenFramebuffersOES");
    ok &= fetch(deleteFramebuffers, "glDeleteFramebuffersOES");
    ok &= fetch(bindFramebuffer, "glBindFramebufferOES");
    ok &= fetch(framebufferTexture2D, "glFramebufferTexture2DOES");
    ok &= fetch(framebufferRenderbuffer, "glFramebufferRenderbufferOES");
    ok &= fetch(checkFramebufferStatus, "glCheckFramebufferStatusOES");
    ok &= fetch(genRenderbuffers, "glGenRenderbuffersOES");
    ok &= fetch(deleteRenderbuffers, "glDeleteRenderbuffersOES");
    ok &= fetch(bindRenderbuffer, "glBindRenderbufferOES");
    ok &= fetch(renderbufferStorage, "glRenderbufferStorageOES");
    return ok;
}

} // namespace glext
