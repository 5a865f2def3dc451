// SPDX-License-Identifier: MIT
#include "core/evt.h"

#include <gtest/gtest.h>
#include <utility>
#include <string>
#include <vector>

namespace {

std::vector<std::string> log;

// Logs "name:payload" and, when set up to, changes the bus while it delivers.
struct Handler {
    std::string name;
    evt::Callback remove_me, remove_other, add;
    const char* publish = nullptr;

    explicit Handler(std::string n = "") : name(std::move(n)) {}
    virtual ~Handler() = default;
    virtual void on(void* p) {
        log.push_back(name + ":" + std::to_string(evt::payloadInt(p)));
        if (!remove_me.empty()) evt::unsubscribe("t", remove_me);
        if (!remove_other.empty()) evt::unsubscribe("t", remove_other);
        if (!add.empty()) evt::subscribe("t", add);
        if (publish) evt::publish(std::exchange(publish, nullptr), 9);
    }
};
struct Derived : Handler {
    void on(void* p) override {
        log.push_back(name + ".derived:" + std::to_string(evt::payloadInt(p)));
    }
};
// A second base puts Handler at a non-zero offset: the member pointer carries an adjustment.
struct Padding {
    virtual ~Padding() = default;
    long pad[3] = {};
};
struct Multi : Padding, Handler {};

evt::Callback cb(Handler& h) {
    return evt::Callback(&h, &Handler::on);
}

void plain(void* user, void* payload) {
    log.push_back(std::string(user ? "user" : "null") + ":" +
                  std::to_string(evt::payloadInt(payload)));
}

TEST(Evt, OrderDuplicatesAndUnsubscribe) {
    log.clear();
    Handler a{"a"}, b{"b"};
    evt::subscribe("t", cb(a));
    evt::subscribe("t", cb(b));
    evt::subscribe("t", cb(a));
    evt::subscribe("t", evt::Callback(&plain, nullptr));
    evt::publish("t", 7);
    EXPECT_EQ(log, (std::vector<std::string>{"a:7", "b:7", "a:7", "null:7"}));
    evt::unsubscribe("t", cb(a)); // only the first of the two
    evt::unsubscribe("t", evt::Callback(&plain, nullptr));
    evt::unsubscribe("t", evt::Callback(&plain, nullptr)); // not there: nothing
    log.clear();
    evt::publish("t", 8);
    EXPECT_EQ(log, (std::vector<std::string>{"b:8", "a:8"}));
    evt::unsubscribe("t", cb(a));
    evt::unsubscribe("t", cb(b));
    EXPECT_EQ(evt::subscriberCount("t"), 0);
    evt::publish("onMemoryWarning"); // nobody listens: nothing happens
    EXPECT_EQ(log.size(), 2u);
}

TEST(Evt, TypedPayloadWords) {
    static void* seen;
    evt::Callback c([](void*, void* p) { seen = p; }, nullptr);
    evt::subscribe("typed", c);
    const char* text = "In.wav";
    Vector2<float> pt{10, 20};
    evt::publish("typed", true);
    EXPECT_EQ(reinterpret_cast<intptr_t>(seen), 1);
    evt::publish("typed", 3);
    EXPECT_EQ(reinterpret_cast<intptr_t>(seen), 3);
    evt::publish("typed", -2);
    EXPECT_EQ(evt::payloadInt(seen), -2);
    evt::publish("typed", text);
    EXPECT_EQ(seen, text);
    evt::publish("typed", &pt);
    EXPECT_EQ(seen, &pt);
    evt::publish("typed");
    EXPECT_EQ(seen, nullptr);
    evt::unsubscribe("typed", c);
}

TEST(Evt, MemberCallbacksDifferByObjectAndDispatchVirtually) {
    log.clear();
    Multi x, y;
    x.name = "x", y.name = "y";
    auto on = [](Multi& m) { return evt::Callback(static_cast<Handler*>(&m), &Handler::on); };
    EXPECT_TRUE(on(x) == on(x));
    EXPECT_FALSE(on(x) == on(y));
    EXPECT_FALSE(on(x) == evt::Callback());
    evt::subscribe("t", on(x));
    evt::subscribe("t", on(y));
    evt::unsubscribe("t", on(y)); // x stays
    evt::publish("t", 4);
    EXPECT_EQ(log, (std::vector<std::string>{"x:4"}));
    evt::unsubscribe("t", on(x));

    Derived d;
    d.name = "d";
    cb(d).call(reinterpret_cast<void*>(5));
    EXPECT_EQ(log.back(), "d.derived:5");
}

TEST(Evt, ChangesDuringDelivery) {
    log.clear();
    Handler late{"late"}, adder{"adder"}, outer{"outer"}, inner{"inner"};
    adder.add = cb(late);
    evt::subscribe("t", cb(adder));
    evt::publish("t", 1); // the added one waits for the next delivery
    EXPECT_EQ(log, (std::vector<std::string>{"adder:1"}));
    adder.add = evt::Callback();
    log.clear();
    evt::publish("t", 2);
    EXPECT_EQ(log, (std::vector<std::string>{"adder:2", "late:2"}));
    evt::unsubscribe("t", cb(adder));
    evt::unsubscribe("t", cb(late));

    // Depth-first: a nested delivery runs to its end before the outer one goes on.
    log.clear();
    outer.publish = "nested";
    evt::subscribe("t", cb(outer));
    evt::subscribe("nested", cb(inner));
    evt::subscribe("t", cb(late));
    evt::publish("t", 3);
    EXPECT_EQ(log, (std::vector<std::string>{"outer:3", "inner:9", "late:3"}));
    evt::unsubscribe("t", cb(outer));
    evt::unsubscribe("t", cb(late));

    // A handler removing itself and the next entry: the removed one is skipped, the delivery
    // stays inside the list and the last entry still runs.
    log.clear();
    Handler remover{"remover"}, next{"next"}, last{"last"};
    remover.remove_me = cb(remover);
    remover.remove_other = cb(next);
    for (Handler* h : {&remover, &next, &last})
        evt::subscribe("t", cb(*h));
    evt::publish("t", 4);
    EXPECT_EQ(log, (std::vector<std::string>{"remover:4", "last:4"}));
    EXPECT_EQ(evt::subscriberCount("t"), 1);
    evt::unsubscribe("t", cb(last));
}

TEST(Evt, AutoSubscriberLivesWithItsObject) {
    log.clear();
    static char user[] = "u";
    {
        evt::AutoSubscriber sub("auto", evt::Callback(&plain, user));
        evt::publish("auto", 1);
    }
    evt::publish("auto", 2);
    EXPECT_EQ(log, (std::vector<std::string>{"user:1"}));
}

} // namespace
