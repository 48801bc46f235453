#pragma once

#include <QByteArrayView>
#include <QHashFunctions>
#include <QStringView>

// Qt's hash of a string, for standard containers; a map keyed by QString
// can be searched with a QStringView (with std::equal_to<>). Qt seeds it
// anew in every process: the keys come from files the user opens, which
// could otherwise be made of names that all collide, turning every lookup
// into a walk through all of them.
struct TextHash {
    using is_transparent = void;
    size_t operator()(QByteArrayView text) const noexcept { return qHash(text); }
    size_t operator()(QStringView text) const noexcept { return qHash(text); }
};
