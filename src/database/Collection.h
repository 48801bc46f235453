#pragma once

#include <cstddef>
#include <vector>

// A read-only, ordered collection of catalog objects, enumerated in the
// catalog's order and counted with Count().
template <typename T> class Collection {
public:
    Collection() = default;
    explicit Collection(std::vector<T> items) : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    const T &Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }

    auto begin() const { return items_.cbegin(); }
    auto end() const { return items_.cend(); }

protected:
    std::vector<T> items_;
};
