#pragma once
// Thread priorities on Linux: the nice value of one thread (its TID), relative to the nice value
// the process had when the run began. Raising a priority needs the right to do so; without it
// the call fails and the thread keeps running at its inherited priority.

// The nice value the run starts from (read once per run, on the caller's thread).
int BaseNiceValue();
// Sets the calling thread to TaskPriority `priority` (0 below normal, 1 normal, 2 above normal)
// relative to `baseNice`. False when the system refused.
bool SetCurrentThreadPriority(int priority, int baseNice);
