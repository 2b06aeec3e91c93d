// The folders this run created, newest first, so that the clean-up script
// can remove exactly those and no others.
#ifndef TESSAROVEN_FOLDER_LIST_H
#define TESSAROVEN_FOLDER_LIST_H

#include <stddef.h>

#include <deque>

#include "qv_string.h"

class FolderList {
public:
    // Records path in front of every folder recorded before.
    void AddFront(const QvString& path) { folders_.push_front(path); }
    size_t Count() const { return folders_.size(); }
    bool IsEmpty() const { return folders_.empty(); }
    // The index-th folder, 0 being the newest; valid while the list lives.
    const QvString& At(size_t index) const { return folders_[index]; }

    typedef std::deque<QvString>::const_iterator const_iterator;
    const_iterator begin() const { return folders_.begin(); }
    const_iterator end() const { return folders_.end(); }

private:
    std::deque<QvString> folders_;
};

#endif
