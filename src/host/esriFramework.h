#pragma once
// The host's framework library (second generation): the application, its status bar and
// progress bar.
#include "host/Application.h"
