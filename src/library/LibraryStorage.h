#pragma once

// The library on disk: the lock and recovery, loading with its findings, and saving.
#include "LibraryLoad.h"
#include "LibraryLock.h"
#include "LibrarySave.h"
