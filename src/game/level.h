// SPDX-License-Identifier: MIT
// The play screen: one paper ball, one basket seen in perspective, the wind with its sign and
// fans, and the heads-up display. One object lives for the whole run and is rebuilt in place by
// create for every level entered. Work is split by concern over level_setup.cpp (fields, create,
// camera), level_throw.cpp (input, flight, wind), level_collision.cpp (landing),
// level_render.cpp (drawing) and level_outcome.cpp (scoring, HUD buttons, banner).
#pragma once

#include "core/vector.h"
#include "game/anim.h"
#include "game/level_defs.h"

class Sprite;

// The HUD and banner look of the level screen.
extern const Vector2<float> MENU_BTN_SIZE;
extern const Vector4<float> HUD_BUTTON_COLOR;
extern const Vector4<float> HUD_BUTTON_COLOR_DISABLED;
extern const Vector4<float> UNLOCKED_COLOR;
extern const Vector4<float> HUD_BOARD_COLOR;
extern const Vector4<float> HUD_TEXT_COLOR;
extern const float UNLOCKED_DUR[3];
extern const Vector2<int> POP_ANIMATION[17];
extern const Vector2<int> BOUNCE_ANIMATION[5];
extern const char* const FONT;
extern const char* const WIND_FONT;

class Level {
  public:
    // Play states.
    enum { INACTIVE = 0, READY = 1, FLYING = 2, LANDING = 3, CAUGHT = 4, PAUSE = 5 };

    Level();
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    void create(const fg::LevelInfo* info, int best, bool canSubmit, int basketFrame);
    void destroy();
    void setPerspective();
    void setOrtho();
    void setBasket(int frame);
    void update(float dt);
    void render(Vector2<float> offset);
    void setWind();
    void doCollision();
    void setScore();

    // Bus handlers; the payload of the pointer events is a Vector2<float>* in screen points.
    void onPtrDown(void* payload);
    void onPtrMove(void* payload);
    void onPtrUp(void* payload);
    void scoreSubmitted(int score); // greys Submit when `score` is the best
    void onLevelUnlocked(void* payload);

    const fg::LevelInfo* info = nullptr;
    Sprite* background = nullptr;
    Sprite* basket = nullptr;
    Sprite* ball = nullptr;
    Sprite* catcher = nullptr;
    Sprite* fanSprites[2][fg::FAN_LAYERS] = {};
    Sprite* foreground[2] = {};
    Sprite* tutorial = nullptr;
    Vector3<float> tutorialPos{160, 240, 0}; // its picture is cropped: centred where it shows
    Sprite* aimArrow = nullptr;
    Sprite* windText = nullptr;
    Sprite* windArrow = nullptr;
    Sprite* board = nullptr;
    Sprite* menuText = nullptr;
    Sprite* scoreText[2] = {}; // [0] shown, [1] incoming during a change
    Sprite* bestText[2] = {};
    Sprite* submitButton = nullptr;
    Sprite* unlockedText = nullptr;
    Vector4<float> submitColour;
    Vector4<float> menuColour;
    float flightTime;        // seconds since the throw; -1 when not flying
    Vector3<float> ballPos;  // x, y screen points; z world depth
    float ballSquash;        // horizontal perspective factor of the drawn x
    Vector3<float> ballStep; // displacement during the last flight frame
    float apexOffset;        // sideways offset at the top of the flight
    float drift;             // sideways wind drift over the flight
    Anim anim;               // the running landing or hop
    float wind;              // 0 <= wind < 6
    float throwAngle;        // degrees, 0 = straight up, positive leans left
    int rimLeft = 0, rimRight = 0;
    Vector2<float> scrollNow[2][fg::FAN_LAYERS] = {};
    Vector2<float> scrollTarget[2][fg::FAN_LAYERS] = {};
    int score = 0;
    int best = 0;
    int state = 0;
    int savedState = 0;
    int unlockPhase = 0; // 0 hidden, 1 arriving, 2 fading
    float unlockTime = 0;
    float stateTimer = 0;
    float touchTime = 0; // clock at the grab, then at the first move
    Vector2<float> touchStart{0, 0};
    Vector2<float> touchSum{0, 0}; // sum of every move's displacement from touchStart
    int touchMoves = 0;
    float textFade = 0;
    float submitFade = 0;
    int leftSoundCount = 0, rightSoundCount = 0;
    unsigned windToLeft : 1;
    unsigned hopPending : 1;
    unsigned ballHeld : 1;
    unsigned canSubmit : 1;
    unsigned onStreak : 1;
    unsigned orthoMode : 1;

  private:
    void updateFans(float dt);
    void updateTimers(float dt);
    void updateFlight(float dt);
    void updateLanding(float dt);
    void updateCaught(float dt);
    void endThrow(float dt);
    void releasedColours();
    void pressColours(Vector2<float> p);
    void releaseButtons(Vector2<float> p);
    // Drawing, layer by layer into the depth queue, then the queue far to near.
    void queueRoom();
    void queueFans();
    void queueHud();
    void queueBall();
    void queueWindSign();
    void drawQueue(Vector2<float> offset);
};

namespace fg {

// One entry of the level's render queue: what to draw, where, and with which projection.
struct RenderInfo {
    Sprite* sprite;
    Vector3<float> position;
    Vector2<float> scale;
    Vector3<float> rotation;
    Vector4<float> colour;
    float depth; // larger is farther and drawn earlier
    bool ortho;  // 2D screen projection, else the level's perspective
};

inline bool operator<(const RenderInfo& a, const RenderInfo& b) {
    return a.depth < b.depth;
}

// Called with each queue entry just before it is drawn (position without the offset); null by
// default. Lets tests and tools see the drawing order.
using RenderTrace = void (*)(const RenderInfo& entry, void* user);
void setRenderTrace(RenderTrace trace, void* user);

} // namespace fg
