#pragma once

#include "common/Workers.h"
#include "database/Readers.h"

#include <memory>

namespace spreadsheet {
class WorkbookPresenter;
}

// What the program's work is done with, made once where the program starts
// (main, a tool's main, a test) and handed down: to the window, to each
// generator, and from the generator to the connections it opens and the
// spreadsheet application it makes. Its parts belong to their layers; a
// copy shares them.
struct Services {
    // New workers, readers that decode on them with the default settings,
    // and no presenter.
    Services();

    // The same workers and readers, the workbooks going to the presenter.
    Services presentingTo(std::shared_ptr<spreadsheet::WorkbookPresenter> presenter) const;

    std::shared_ptr<Workers> workers;
    std::shared_ptr<Readers> readers;
    // Who each finished workbook is handed to; none discards it.
    std::shared_ptr<spreadsheet::WorkbookPresenter> presenter;
};
