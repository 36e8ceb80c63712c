// The engine's doubly linked list of pointers. It links, unlinks and counts
// nodes; it never owns, copies or frees the elements. No lock of its own:
// the owner guards it.
#pragma once

#include <cstdint>

template <typename T>
class List {
public:
    struct Node {
        Node* prev;
        Node* next;
        // The node's own address while linked, null once erased.
        Node* self;
        T value;
    };

    // A node position with a one-shot skip flag.
    struct Iterator {
        Node* node = nullptr;
        uint8_t skip = 0;

        // Moves to the previous node when the node is live and skip is clear;
        // clears skip in every case.
        void step_back() {
            if (is_live(node) && !skip) node = node->prev;
            skip = 0;
        }
    };

    List() = default;
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    ~List() { clear(); }

    static bool is_live(const Node* node) { return node && node->self == node; }

    void append(T value) {
        Node* node = new Node{nullptr, nullptr, nullptr, value};
        node->self = node;
        if (!head) {
            head = node;
        } else {
            tail->next = node;
            node->prev = tail;
        }
        tail = node;
        ++count;
    }

    // node must be a live node of this List.
    void erase(Node* node) {
        if (node == head && node == tail) {
            node->self = nullptr;
            delete node;
            head = tail = nullptr;
            count = 0;
            return;
        }
        if (node == head) {
            node->next->prev = nullptr;
            head = node->next;
        } else if (node == tail) {
            node->prev->next = nullptr;
            tail = node->prev;
        } else {
            node->next->prev = node->prev;
            node->prev->next = node->next;
        }
        node->self = nullptr;
        delete node;
        --count;
    }

    void clear() {
        Node* node = head;
        while (node) {
            Node* next = node->next;
            node->self = nullptr;
            delete node;
            --count;
            node = next;
        }
        head = tail = nullptr;
        count = 0;
    }

    Node* head = nullptr;
    Node* tail = nullptr;
    int64_t count = 0;
};
