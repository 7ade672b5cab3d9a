// A media type from CoTaskMemAlloc (GetFormat, GetStreamCaps, CreateMediaType) owned until
// the end of a scope.
#pragma once

#include <memory>

#include "platform/media/media_types.h"

struct MediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* type) const { DeleteMediaType(type); }
};
using OwnedMediaType = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;
