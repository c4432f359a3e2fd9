// Callbacks into the host kernel over the link library: fetching a text that the kernel keeps
// under an integer id, and showing a text to the user.
//
// Each call is one synchronous exchange: the library writes EvaluatePacket[f[argument]] on the
// link, lets the host evaluate it (processlink), and reads the answer packet. Both operations
// share one link, `kernellink`, taken from the first librarydata they see with getlink and never
// refreshed; a host that hands out no link leaves it null, and the next call asks again.
//
// Not thread-safe: one process-wide link; exchanges must not overlap.
#ifndef KZR_BINDING_KERNELCALLBACKS_H
#define KZR_BINDING_KERNELCALLBACKS_H

#include <cstdint>
#include <string>

#include "binding/hostinterface.h"

// The kernel functions, each name with its two context separators.
inline constexpr const char* kernelretrievestring = "Finance`FIDerivalixDump`retrievestring";
inline constexpr const char* kernelprintmessage = "Finance`FIDerivalixDump`printmessage";
// What retrievestring gives when the answer is not a readable string.
inline constexpr const char* unreadabletext = "muhaha";

// The text the kernel keeps under id (its low 32 bits are sent). Packets of kinds other than 0
// and 3 that arrive first are discarded; a packet of kind 0 ends the wait. An answer that is not
// a string token, or a string that cannot be read, gives "muhaha".
std::string retrievestring(librarydata data, std::int64_t id);
// Shows text to the user; reads one answer packet (discarded when it is of kind 3).
void printmessage(librarydata data, const char* text);
// The cached link (null until the first exchange found one).
hostlink kernellink();

#endif  // KZR_BINDING_KERNELCALLBACKS_H
