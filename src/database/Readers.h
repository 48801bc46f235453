#pragma once

#include <QString>
#include <chrono>
#include <memory>

class Workers;

// How a program starts its readers (CatalogReader) and how they ended: made
// once where the program starts (main, a tool's main, a test) and handed to
// every connection it opens, whose reader keeps it. Used on the thread that
// opens the connections.
class Readers {
public:
    // Where the reader executable is and how long an answer may take.
    struct Settings {
        QString executable; // empty: quillmere-reader beside the program
        std::chrono::milliseconds timeLimit{20000};
    };

    // How the readers ended when they failed, for the records of the
    // damaged-file runs.
    struct Statistics {
        int crashed = 0;  // ended by a signal
        int timedOut = 0; // cut off at the time limit
        int failed = 0;   // any other failure: an exit status, a bad answer
    };

    // The readers' answers are decoded on these workers.
    explicit Readers(std::shared_ptr<Workers> workers) : workers_(std::move(workers)) {}

    Workers &workers() const { return *workers_; }

    Settings settings; // read as each reader starts and waits
    Statistics statistics;

private:
    std::shared_ptr<Workers> workers_;
};
