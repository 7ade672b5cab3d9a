// The chain filters and effects: an element such as videobalance or audioecho as a filter with
// one input and one output pin. Formats that do not meet are bridged by the graph's Connect,
// which puts converters between.
#pragma once

#include "platform/media/codecs/codec_table.h"

namespace media::codecs {

HRESULT CreateEffectFilter(const EffectInfo& info, REFIID riid, void** object);

}  // namespace media::codecs
