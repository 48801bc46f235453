#pragma once

#include <QByteArrayView>
#include <QHashFunctions>
#include <QStringView>

// Qt's hash of a string for standard containers, seeded as Qt seeds its own
// QHash: with the seed Qt draws at random for the process
// (QHashSeed::globalSeed()). qHash(text) without a seed hashes with 0, the
// same in every process; the keys come from files the user opens, which
// could then be made of names that all collide, turning every lookup into a
// walk through all of them. QT_HASH_SEED=0 in the environment makes the seed
// 0, for debugging. Each hasher keeps the seed it was made with: a container
// copies its hasher once and must hash every key alike for its whole life,
// also should the global seed be drawn anew. A map keyed by QString can be
// searched with a QStringView (with std::equal_to<>).
class TextHash {
public:
    using is_transparent = void;
    TextHash() noexcept : seed_(QHashSeed::globalSeed()) {}
    size_t operator()(QByteArrayView text) const noexcept { return qHash(text, seed_); }
    size_t operator()(QStringView text) const noexcept { return qHash(text, seed_); }

private:
    size_t seed_;
};
