#pragma once
#include <functional>
#include <vector>

// Processor-bound pieces of work, run on threads of their own, one per processor. A caller with
// two pieces of one job has both done at once, so a single large job takes half the time; and
// however many callers there are, no more pieces run at one time than there are processors,
// which bounds the memory the pieces hold while they run.
//
// Any thread may call it except a piece itself (it would wait for a thread it occupies). Pieces
// must not throw; one that does counts as done. The threads are made on first use and live as
// long as the process: a caller cut short at the program's end leaves them to the process's end.

// Runs every piece, in the order given as threads come free, and returns once all are done.
void RunPiecesInParallel(const std::vector<std::function<void()>>& pieces);

// How many pieces may run at one time: the number of processors, at least 1.
int ParallelPieceThreads();
