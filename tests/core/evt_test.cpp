// SPDX-License-Identifier: MIT
#include "core/evt.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using Log = std::vector<std::string>;
Log log;

// Logs "name:payload" and, when set up to, changes the bus while it delivers.
struct Handler {
    std::string name;
    evt::Callback remove_me, remove_other, add;
    const char* publish = nullptr;

    virtual ~Handler() = default;
    virtual void on(void* p) {
        log.push_back(name + ":" + std::to_string(evt::payloadInt(p)));
        for (const evt::Callback& c : {remove_me, remove_other})
            if (!c.empty()) evt::unsubscribe("t", c);
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
    return evt::Callback(static_cast<Handler*>(&h), &Handler::on);
}
void plain(void* user, void* payload) {
    log.push_back(std::string(user ? "user" : "null") + ":" +
                  std::to_string(evt::payloadInt(payload)));
}
// Publishes on "t" and returns what was delivered.
Log deliver(int payload) {
    log.clear();
    evt::publish("t", payload);
    return log;
}

TEST(Evt, OrderDuplicatesUnsubscribeAndPayloads) {
    Multi a, b; // members at an offset: equal only for the same object
    a.name = "a", b.name = "b";
    EXPECT_TRUE(cb(a) == cb(a) && !(cb(a) == cb(b)) && !(cb(a) == evt::Callback()));
    for (const evt::Callback& c : {cb(a), cb(b), cb(a), evt::Callback(&plain, nullptr)})
        evt::subscribe("t", c);
    EXPECT_EQ(deliver(7), (Log{"a:7", "b:7", "a:7", "null:7"}));
    evt::unsubscribe("t", cb(a));           // only the first of the two
    for (int twice = 0; twice < 2; ++twice) // not there the second time: nothing
        evt::unsubscribe("t", evt::Callback(&plain, nullptr));
    EXPECT_EQ(deliver(-2), (Log{"b:-2", "a:-2"}));
    evt::unsubscribe("t", cb(a));
    evt::unsubscribe("t", cb(b));
    EXPECT_EQ(evt::subscriberCount("t"), 0);
    evt::publish("onMemoryWarning"); // nobody listens: nothing happens

    static void* seen;
    evt::AutoSubscriber typed("typed", evt::Callback([](void*, void* p) { seen = p; }, nullptr));
    const char* text = "In.wav";
    evt::publish("typed", true);
    EXPECT_EQ(reinterpret_cast<intptr_t>(seen), 1);
    evt::publish("typed", text);
    EXPECT_EQ(seen, text);
    evt::publish("typed");
    EXPECT_EQ(seen, nullptr);
    Derived d; // virtual dispatch through the member pointer
    d.name = "d";
    cb(d).call(reinterpret_cast<void*>(5));
    EXPECT_EQ(log.back(), "d.derived:5");
    { // an AutoSubscriber leaves with its object
        static char user[] = "u";
        evt::AutoSubscriber sub("t", evt::Callback(&plain, user));
        EXPECT_EQ(deliver(1), Log{"user:1"});
    }
    EXPECT_EQ(deliver(2), Log{});
}

TEST(Evt, ChangesDuringDelivery) {
    Handler late, adder, outer, inner, remover, next, last;
    late.name = "late", adder.name = "adder", outer.name = "outer", inner.name = "inner";
    adder.add = cb(late);
    evt::subscribe("t", cb(adder));
    EXPECT_EQ(deliver(1), Log{"adder:1"}); // the added one waits for the next delivery
    adder.add = evt::Callback();
    EXPECT_EQ(deliver(2), (Log{"adder:2", "late:2"}));
    evt::unsubscribe("t", cb(adder));
    evt::unsubscribe("t", cb(late));

    // Depth-first: a nested delivery runs to its end before the outer one goes on.
    outer.publish = "nested";
    evt::subscribe("t", cb(outer));
    evt::subscribe("nested", cb(inner));
    evt::subscribe("t", cb(late));
    EXPECT_EQ(deliver(3), (Log{"outer:3", "inner:9", "late:3"}));
    evt::unsubscribe("t", cb(outer));
    evt::unsubscribe("t", cb(late));

    // A handler removing itself and the next entry: the removed one is skipped, the delivery
    // stays inside the list and the last entry still runs.
    remover.name = "remover", last.name = "last";
    remover.remove_me = cb(remover);
    remover.remove_other = cb(next);
    for (Handler* h : {&remover, &next, &last})
        evt::subscribe("t", cb(*h));
    EXPECT_EQ(deliver(4), (Log{"remover:4", "last:4"}));
    EXPECT_EQ(evt::subscriberCount("t"), 1);
    evt::unsubscribe("t", cb(last));
}

} // namespace
