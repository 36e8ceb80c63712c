#include "core/List.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using IntList = List<int*>;

// The values from head to tail, checking the links both ways.
std::vector<int> walk(const IntList& list) {
    std::vector<int> values;
    const IntList::Node* previous = nullptr;
    for (const IntList::Node* node = list.head; IntList::is_live(node); node = node->next) {
        EXPECT_EQ(node->prev, previous);
        values.push_back(*node->value);
        previous = node;
    }
    EXPECT_EQ(list.tail, previous);
    EXPECT_EQ(list.count, static_cast<int64_t>(values.size()));
    return values;
}

class ListTest : public ::testing::Test {
protected:
    IntList::Node* node_at(int index) {
        IntList::Node* node = list.head;
        while (index--) node = node->next;
        return node;
    }
    int values[4] = {10, 20, 30, 40};
    IntList list;
};

}  // namespace

TEST_F(ListTest, AppendLinksAtTheTail) {
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0);
    list.append(&values[0]);
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.count, 1);
    for (int i = 1; i < 4; ++i) list.append(&values[i]);
    EXPECT_EQ(walk(list), (std::vector<int>{10, 20, 30, 40}));
}

TEST_F(ListTest, EraseInEveryPosition) {
    struct Case {
        int size, erase;
        std::vector<int> left;
    };
    const std::vector<Case> cases = {
        {1, 0, {}},            // the only node
        {2, 0, {20}},          // head of two: the former tail is head and tail
        {4, 0, {20, 30, 40}},  // head
        {4, 3, {10, 20, 30}},  // tail
        {4, 1, {10, 30, 40}},  // middle
        {2, 1, {10}},          // tail of two
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.erase << " of " << c.size);
        list.clear();
        for (int i = 0; i < c.size; ++i) list.append(&values[i]);
        list.erase(node_at(c.erase));
        EXPECT_EQ(walk(list), c.left);
        if (list.head) {
            EXPECT_EQ(list.head->prev, nullptr);
            EXPECT_EQ(list.tail->next, nullptr);
        } else {
            EXPECT_EQ(list.tail, nullptr);
        }
    }
}

TEST_F(ListTest, ErasingWhileWalkingTakesTheNextFirst) {
    for (int& v : values) list.append(&v);
    for (IntList::Node* node = list.head; IntList::is_live(node);) {
        IntList::Node* next = node->next;
        if (*node->value % 20 == 0) list.erase(node);
        node = next;
    }
    EXPECT_EQ(walk(list), (std::vector<int>{10, 30}));
}

TEST_F(ListTest, ClearFreesNodesButNotElements) {
    int* owned = new int(5);
    list.append(owned);
    list.append(&values[0]);
    list.clear();
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(*owned, 5);
    delete owned;
    list.append(&values[1]);  // usable again
    EXPECT_EQ(walk(list), (std::vector<int>{20}));
}

TEST_F(ListTest, StepBack) {
    for (int& v : values) list.append(&v);
    IntList::Iterator it{node_at(2), 0};
    it.step_back();
    EXPECT_EQ(it.node, node_at(1));
    it.skip = 1;
    it.step_back();  // skipped once
    EXPECT_EQ(it.node, node_at(1));
    EXPECT_EQ(it.skip, 0);
    it.step_back();
    EXPECT_EQ(it.node, list.head);
    it.step_back();  // the head's prev
    EXPECT_EQ(it.node, nullptr);
    it.skip = 1;
    it.step_back();  // null stays null and clears the flag
    EXPECT_EQ(it.node, nullptr);
    EXPECT_EQ(it.skip, 0);

    // A dead node (erased while the iterator held it) stays put. The node is
    // freed, so only a stand-in with a cleared self is safe to look at.
    IntList::Node dead{node_at(0), nullptr, nullptr, &values[0]};
    for (const uint8_t skip : {0, 1}) {
        IntList::Iterator stale{&dead, skip};
        stale.step_back();
        EXPECT_EQ(stale.node, &dead);
        EXPECT_EQ(stale.skip, 0);
    }
}
