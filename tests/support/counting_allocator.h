// Counts every operator new of the test program it is linked into, so a test can prove that a
// path touches no heap. Link counting_allocator.cpp into a program of its own: it replaces the
// global allocation functions for the whole process.
#pragma once

long heapAllocations();
