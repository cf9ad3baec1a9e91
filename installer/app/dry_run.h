#pragma once
// Set once by the entry point from "--dry-run", before any worker thread starts; only
// read afterwards, by threads started after the write.
extern bool dry_run;
