#include "core/evt.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

void record(void* user, void* payload) {
    calls.push_back(std::string(static_cast<const char*>(user ? user : "null")) + ":" +
                    std::to_string(evt::payloadInt(payload)));
}

struct Base {
    virtual ~Base() = default;
    virtual void onEvent(void* p) { calls.push_back(name + ".base:" + std::to_string(evt::payloadInt(p))); }
    std::string name;
};
struct Derived : Base {
    void onEvent(void* p) override {
        calls.push_back(name + ".derived:" + std::to_string(evt::payloadInt(p)));
    }
};
// A second base puts the Handler subobject at a non-zero offset, so the member pointer carries a
// this-adjustment.
struct Padding {
    virtual ~Padding() = default;
    long pad[3] = {};
};
struct Handler {
    void onA(void* p) { calls.push_back(name + ".a:" + std::to_string(evt::payloadInt(p))); }
    void onB(void*) { calls.push_back(name + ".b"); }
    std::string name;
};
struct Multi : Padding, Handler {};

TEST(Evt, DeliversInSubscriptionOrderAndDuplicatesTwice) {
    calls.clear();
    static char a[] = "a", b[] = "b";
    evt::Callback ca(&record, a), cb(&record, b);
    evt::subscribe("t.order", ca);
    evt::subscribe("t.order", cb);
    evt::subscribe("t.order", ca);
    evt::publish("t.order", 7);
    EXPECT_EQ(calls, (std::vector<std::string>{"a:7", "b:7", "a:7"}));

    evt::unsubscribe("t.order", ca); // removes only the first of the two
    calls.clear();
    evt::publish("t.order", 8);
    EXPECT_EQ(calls, (std::vector<std::string>{"b:8", "a:8"}));
    evt::unsubscribe("t.order", cb);
    evt::unsubscribe("t.order", ca);
    evt::unsubscribe("t.order", ca); // not subscribed any more: nothing happens
    EXPECT_EQ(evt::subscriberCount("t.order"), 0);
}

TEST(Evt, TypedPayloadsAndNullUserData) {
    static void* user_seen = reinterpret_cast<void*>(1);
    static void* payload_seen = nullptr;
    evt::Callback c([](void* u, void* p) { user_seen = u, payload_seen = p; }, nullptr);
    evt::subscribe("t.typed", c);

    evt::publish("t.typed", true);
    EXPECT_EQ(user_seen, nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(payload_seen), 1);
    evt::publish("t.typed", false);
    EXPECT_EQ(reinterpret_cast<intptr_t>(payload_seen), 0);
    evt::publish("t.typed", 3);
    EXPECT_EQ(reinterpret_cast<intptr_t>(payload_seen), 3);
    evt::publish("t.typed", -2);
    EXPECT_EQ(evt::payloadInt(payload_seen), -2);
    const char* text = "In.wav";
    evt::publish("t.typed", text);
    EXPECT_EQ(payload_seen, text);
    Vector2<float> pt{10, 20};
    evt::publish("t.typed", &pt);
    EXPECT_EQ(payload_seen, &pt);
    evt::publish("t.typed");
    EXPECT_EQ(payload_seen, nullptr);
    evt::unsubscribe("t.typed", c);
}

TEST(Evt, UnknownNameReachesNobody) {
    calls.clear();
    evt::publish("onMemoryWarning");
    evt::doPublish("t.nobody.ever", reinterpret_cast<void*>(5));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(evt::subscriberCount("onMemoryWarning"), 0);
}

TEST(Evt, MemberCallbacksCompareByObjectAndFunction) {
    calls.clear();
    Multi x, y;
    x.name = "x";
    y.name = "y";
    evt::Callback xa(static_cast<Handler*>(&x), &Handler::onA);
    evt::Callback ya(static_cast<Handler*>(&y), &Handler::onA);
    evt::Callback xb(static_cast<Handler*>(&x), &Handler::onB);
    EXPECT_TRUE(xa == evt::Callback(static_cast<Handler*>(&x), &Handler::onA));
    EXPECT_FALSE(xa == ya);
    EXPECT_FALSE(xa == xb);
    EXPECT_FALSE(xa == evt::Callback());
    EXPECT_TRUE(evt::Callback() == evt::Callback());

    evt::subscribe("t.member", xa);
    evt::subscribe("t.member", ya);
    evt::subscribe("t.member", xb);
    evt::unsubscribe("t.member", ya); // leaves x's two
    evt::publish("t.member", 4);
    EXPECT_EQ(calls, (std::vector<std::string>{"x.a:4", "x.b"}));
    evt::unsubscribe("t.member", xa);
    evt::unsubscribe("t.member", xb);
}

TEST(Evt, MemberCallbackDispatchesVirtually) {
    calls.clear();
    Derived d;
    d.name = "d";
    evt::Callback c(static_cast<Base*>(&d), &Base::onEvent);
    c.call(reinterpret_cast<void*>(9));
    EXPECT_EQ(calls, (std::vector<std::string>{"d.derived:9"}));
}

// Handlers that change the bus while it delivers.
struct Reentrant {
    std::vector<std::string>* log;
    int published_inner = 0;

    void subscribesLate(void*) {
        log->push_back("sub");
        evt::subscribe("t.re", evt::Callback(this, &Reentrant::late));
    }
    void late(void*) { log->push_back("late"); }
    void publishesInner(void*) {
        log->push_back("outer");
        if (published_inner++ == 0) evt::publish("t.inner");
        log->push_back("outer-end");
    }
    void inner(void*) { log->push_back("inner"); }
};

TEST(Evt, AddedDuringDeliveryWaitsAndNestedDeliveryRunsFirst) {
    std::vector<std::string> log;
    Reentrant r{&log, 0};
    evt::Callback sub(&r, &Reentrant::subscribesLate);
    evt::subscribe("t.re", sub);
    evt::publish("t.re");
    EXPECT_EQ(log, (std::vector<std::string>{"sub"}));
    log.clear();
    evt::publish("t.re"); // now the late one runs, and another is added but not called
    EXPECT_EQ(log, (std::vector<std::string>{"sub", "late"}));
    EXPECT_EQ(evt::subscriberCount("t.re"), 3);

    log.clear();
    evt::subscribe("t.outer", evt::Callback(&r, &Reentrant::publishesInner));
    evt::subscribe("t.inner", evt::Callback(&r, &Reentrant::inner));
    evt::publish("t.outer");
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "inner", "outer-end"}));
}

// A handler that removes itself and its neighbour during the delivery of their own event.
struct Remover {
    std::vector<std::string>* log;
    evt::Callback me, next;
    void run(void*) {
        log->push_back("remover");
        evt::unsubscribe("t.rm", me);
        evt::unsubscribe("t.rm", next);
    }
    void after(void*) { log->push_back("after"); }
    void last(void*) { log->push_back("last"); }
};

TEST(Evt, RemovalDuringDeliveryIsSkippedNotOverrun) {
    std::vector<std::string> log;
    Remover r{&log, {}, {}};
    r.me = evt::Callback(&r, &Remover::run);
    r.next = evt::Callback(&r, &Remover::after);
    evt::Callback last(&r, &Remover::last);
    evt::subscribe("t.rm", r.me);
    evt::subscribe("t.rm", r.next);
    evt::subscribe("t.rm", last);
    evt::publish("t.rm");
    EXPECT_EQ(log, (std::vector<std::string>{"remover", "last"}));
    EXPECT_EQ(evt::subscriberCount("t.rm"), 1);
    log.clear();
    evt::publish("t.rm");
    EXPECT_EQ(log, (std::vector<std::string>{"last"}));
    evt::unsubscribe("t.rm", last);
}

TEST(Evt, AutoSubscriberLivesWithItsObject) {
    calls.clear();
    static char s[] = "auto";
    {
        evt::AutoSubscriber sub("t.auto", evt::Callback(&record, s));
        evt::publish("t.auto", 1);
    }
    evt::publish("t.auto", 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"auto:1"}));
}

} // namespace
