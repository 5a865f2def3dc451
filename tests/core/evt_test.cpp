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

    explicit Handler(std::string n = "") : name(std::move(n)) {}
    virtual ~Handler() = default;
    virtual void on(void* p) {
        log.push_back(name + ":" + std::to_string(evt::payloadInt(p)));
        for (const evt::Callback& c : {remove_me, remove_other})
            if (!c.empty()) evt::unsubscribe("t", c);
        if (!add.empty()) evt::subscribe("t", add);
        if (publish) evt::publish(std::exchange(publish, nullptr), 9);
    }
};
// A second base puts Handler at a non-zero offset (the member pointer carries an adjustment);
// the override is reached through &Handler::on by virtual dispatch.
struct Padding {
    virtual ~Padding() = default;
    long pad[3] = {};
};
struct Multi : Padding, Handler {
    void on(void* p) override { log.push_back(name + "*" + std::to_string(evt::payloadInt(p))); }
};

evt::Callback cb(Handler& h) {
    return evt::Callback(static_cast<Handler*>(&h), &Handler::on);
}
// Publishes on "t" and returns what was delivered.
Log deliver(int payload) {
    log.clear();
    evt::publish("t", payload);
    return log;
}

TEST(Evt, OrderDuplicatesAndUnsubscribe) {
    Multi a, b;
    a.name = "a", b.name = "b";
    EXPECT_TRUE(cb(a) == cb(a) && !(cb(a) == cb(b)) && !(cb(a) == evt::Callback()));
    const evt::Callback plain(
        [](void* user, void*) { log.push_back(*static_cast<std::string*>(user) + "/"); }, &a.name);
    for (const evt::Callback& c : {cb(a), cb(b), cb(a), plain})
        evt::subscribe("t", c);
    EXPECT_EQ(deliver(7), (Log{"a*7", "b*7", "a*7", "a/"}));
    evt::unsubscribe("t", cb(a));           // only the first of the two
    for (int twice = 0; twice < 2; ++twice) // not there the second time: nothing
        evt::unsubscribe("t", plain);
    EXPECT_EQ(deliver(-2), (Log{"b*-2", "a*-2"}));
    evt::unsubscribe("t", cb(a));
    evt::unsubscribe("t", cb(b));
    EXPECT_EQ(evt::subscriberCount("t"), 0);
    evt::publish("onMemoryWarning"); // nobody listens: nothing happens
    // An AutoSubscriber leaves with its object.
    {
        evt::AutoSubscriber sub("t", plain);
        EXPECT_EQ(deliver(1), Log{"a/"});
    }
    EXPECT_EQ(evt::subscriberCount("t"), 0);
}

// One handler adds another (it waits for the next delivery), one publishes another event
// (delivered depth-first, to its end before this one goes on), one removes itself and the next
// entry (skipped; the delivery stays inside the list and the last entry still runs).
TEST(Evt, ChangesDuringDelivery) {
    Handler adder{"adder"}, late{"late"}, outer{"outer"}, inner{"inner"}, remover{"remover"},
        next{"next"}, last{"last"};
    adder.add = cb(late);
    outer.publish = "nested";
    remover.remove_me = cb(remover);
    remover.remove_other = cb(next);
    evt::subscribe("nested", cb(inner));
    for (Handler* h : {&adder, &outer, &remover, &next, &last})
        evt::subscribe("t", cb(*h));
    EXPECT_EQ(deliver(1), (Log{"adder:1", "outer:1", "inner:9", "remover:1", "last:1"}));
    adder.add = evt::Callback();
    EXPECT_EQ(deliver(2), (Log{"adder:2", "outer:2", "last:2", "late:2"}));
    for (Handler* h : {&adder, &outer, &last, &late})
        evt::unsubscribe("t", cb(*h));
    EXPECT_EQ(evt::subscriberCount("t"), 0);
}

} // namespace
