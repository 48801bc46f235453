#pragma once

#include "common/Workers.h"
#include "database/Readers.h"

#include <memory>

// What the program's work is done with, made once where the program starts
// (main, a tool's main, a test) and handed down: to the window, to each
// generator, and from the generator to the connections it opens. Its parts
// belong to their layers; a copy shares them.
struct Services {
    // New workers, and readers that decode on them with the default settings.
    Services();

    std::shared_ptr<Workers> workers;
    std::shared_ptr<Readers> readers;
};
