// SPDX-License-Identifier: MIT
// The start-up picture's view: given up, its texture's storage goes to the next picture of its
// size (see gfx::releaseTexture).
#include "gfx/texture.h"
#include "support/gfx.h"
#include "ui/views.h"

using ImageViewTest = gfxtest::GfxTest;

TEST_F(ImageViewTest, AnUnloadedPictureLendsItsTextureToTheNextOfItsSize) {
    put("start.png", gfxtest::encodePng({200, 100}, gfxtest::Bytes(200 * 100 * 4, 255)));
    ui::ImageView view("img/start.png", 0, 0);
    view.draw(0); // loads it, and leaves its texture bound
    GLint shown = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &shown);
    view.unload();
    EXPECT_TRUE(shown != 0 && glIsTexture(GLuint(shown)));
    EXPECT_EQ(Texture("start.png", true).id, GLuint(shown));
}
