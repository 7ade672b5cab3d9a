// The registry side of the profile store, under HKEY_CURRENT_USER\Software\Talvin\Quilldeck2:
// the names of the device, compressor and mux profiles published for other programs, and the
// reservations that other programs leave there as numbered keys.
#pragma once

class CProfileStore;

// Replaces the keys "Device", "Compressor" and "Mux" with one value per profile: "0", "1", ...
// holding the profile's name, in list order.
void MirrorProfileNamesToRegistry(const CProfileStore& store);

// Appends a reservation for each numbered key "Record\0", "Record\1", ... up to the first
// missing number, fills its empty names from the current profiles and the options, and then
// deletes the imported keys. A key without one of its three times is not imported: it is
// reported once (a value marks it as reported), kept with all its values, and renumbered
// with the other kept keys to the lowest numbers, so that it never hides a key written after it.
void ImportReservationsFromRegistry(CProfileStore& store);
