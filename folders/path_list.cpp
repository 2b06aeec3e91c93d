#include "path_list.h"

PathList::~PathList() {
    // A loop, not a recursion: a long list must not run out of stack.
    while (front_ != nullptr) {
        Node* next = front_->next;
        delete front_;
        front_ = next;
    }
}

void PathList::AddFront(const QvString& path) { front_ = new Node{path, front_}; }
