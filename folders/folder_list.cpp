#include "folder_list.h"

PathList::~PathList() {
    // A loop, not a recursion: a long list must not run out of stack.
    while (front_ != nullptr) {
        Node* next = front_->next;
        delete front_;
        front_ = next;
    }
}

void PathList::AddFront(const QvString& path) { front_ = new Node{path, front_}; }

size_t PathList::Count() const {
    size_t n = 0;
    for (const Node* node = front_; node != nullptr; node = node->next) ++n;
    return n;
}

const QvString& PathList::At(size_t index) const {
    const Node* node = front_;
    while (index-- > 0) node = node->next;
    return node->path;
}
