// Writes every profile of a store as JSON, file by file in the order of the profile files.
#pragma once

#include "profiles/profile_store.h"
#include "tools/qdprofiles/json_writer.h"

void DumpStore(const CProfileStore& store, JsonWriter& json);
