#include "installer/app/dry_run.h"

bool dry_run = false;
