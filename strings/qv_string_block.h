// Block management shared by the QvString sources (not part of the public interface).
#ifndef TESSAROVEN_QV_STRING_BLOCK_H
#define TESSAROVEN_QV_STRING_BLOCK_H

#include "qv_string.h"

namespace qvblock {

// True for the process-wide shared empty block.
bool IsEmptyBlock(const QvStringData* data);
// A new block for exactly n characters with refCount 1 and length n; throws
// std::bad_alloc when it cannot be had. The caller owns it.
QvStringData* NewBlock(int n);
void FreeBlock(QvStringData* data);
// a + b, or std::bad_alloc when the sum would not fit a block's int length.
int CheckedSum(int a, int b);
// s, or the empty text for null: a null const char* counts as the empty string.
inline const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

}  // namespace qvblock

#endif
