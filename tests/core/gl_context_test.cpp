// SPDX-License-Identifier: MIT
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <gtest/gtest.h>
#include <string>

TEST(GlContext, DrawsAQuadInScreenSpace) {
    ASSERT_TRUE(testgl::init());
    EXPECT_NE(std::string(reinterpret_cast<const char*>(glGetString(GL_VERSION))).find("ES-CM 1.1"),
              std::string::npos);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, -1, 1); // y up, as the game's screen space
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat quad[] = {10, 10, 110, 10, 110, 60, 10, 60};
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glColor4f(1, 0.5f, 0, 1);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    auto px = testgl::readPixels();
    // Screen y 10..60 from the bottom is rows 420..470 from the top.
    EXPECT_EQ(testgl::rgbAt(px, 50, 450) >> 16, 0xffu);
    EXPECT_EQ(testgl::rgbAt(px, 50, 450) & 0xffu, 0u);
    EXPECT_NEAR(double((testgl::rgbAt(px, 50, 450) >> 8) & 0xff), 128.0, 1.0);
    EXPECT_EQ(testgl::rgbAt(px, 50, 400), 0u);  // above the quad
    EXPECT_EQ(testgl::rgbAt(px, 200, 450), 0u); // right of it
}
