// Paths a run created, newest first: the folders, so that the clean-up
// script can remove exactly those and no others, and the files it touched,
// so that a failed run can remove them again. Newest first is the order
// both are undone in, so the list only ever adds at its front.
#ifndef TESSAROVEN_PATH_LIST_H
#define TESSAROVEN_PATH_LIST_H

#include "qv_string.h"

// A singly linked list of QvString paths. It owns its nodes; the strings
// share their text with the ones they were copied from.
class PathList {
    struct Node {
        QvString path;
        Node* next;
    };

public:
    PathList() : front_(nullptr) {}
    // Releases every node.
    ~PathList();
    PathList(const PathList&) = delete;
    PathList& operator=(const PathList&) = delete;

    // Records path in front of every path recorded before; throws
    // std::bad_alloc (the list unchanged) when there is no memory for it.
    void AddFront(const QvString& path);
    bool IsEmpty() const { return front_ == nullptr; }

    // Reads front (newest) to back.
    class const_iterator {
    public:
        explicit const_iterator(const Node* node) : node_(node) {}
        const QvString& operator*() const { return node_->path; }
        const_iterator& operator++() {
            node_ = node_->next;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return node_ != other.node_; }

    private:
        const Node* node_;
    };
    const_iterator begin() const { return const_iterator(front_); }
    const_iterator end() const { return const_iterator(nullptr); }

private:
    Node* front_;
};

// The folders this run created, newest first.
typedef PathList FolderList;

#endif
