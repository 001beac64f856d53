#pragma once

#include <glib-object.h>

#include <memory>

namespace lng::gsf {

// Initialises the compound-file library once per process.
void ensureInitialised();

template <typename T>
struct Unref {
    void operator()(T *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
// Owns one reference to a GObject.
template <typename T>
using Ptr = std::unique_ptr<T, Unref<T>>;

} // namespace lng::gsf
