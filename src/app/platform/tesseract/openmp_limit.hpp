#pragma once
// Tesseract's OpenMP runtime reads OMP_THREAD_LIMIT once, when the library
// is loaded, before main(); left without the limit it spreads every
// recognition over all cores at several times the CPU cost, and a variable
// set afterwards changes nothing. So every program that recognises text
// calls limitOpenMPThreads(argv) first thing in main(): a process started
// without the limit starts itself again with it.

namespace kestrove {

// Returns at once when OMP_THREAD_LIMIT is already 1. Otherwise sets it and
// executes the same program file again with the same arguments (`argv` as
// main got it, before anything has parsed it); returns only if that fails,
// and the program then runs without the limit.
void limitOpenMPThreads(char** argv);

}  // namespace kestrove
