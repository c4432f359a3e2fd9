// The host's library-link callback table, as the library sees it.
//
// The host hands every entry point a table of pointer-sized slots, each an operation of the host.
// The library uses ten of them, by slot position; the other slots exist and are left alone.
// Tensors are opaque host handles with a rank, 64-bit dimensions and row-major elements.
//
// This header is plain C so that any host (the stand-in under platform/host among them) can
// implement the table.
#ifndef KZR_BINDING_HOSTINTERFACE_H
#define KZR_BINDING_HOSTINTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct hosttensorobject* hosttensor;  // opaque host tensor handle
typedef struct hostlinkobject* hostlink;      // opaque link to the host kernel
typedef int64_t hostinteger;                  // dimensions, ranks and integer elements

// Status results of host operations and entry points.
enum {
  hoststatusok = 0,
  hoststatusfunctionerror = 1,  // the entry point refused its arguments
};

// Element type codes of newtensor.
enum {
  hosttypeinteger = 2,
  hosttypereal = 3,
};

typedef struct librarydatatable librarydatatable;
typedef librarydatatable* librarydata;

typedef void* hostslot;  // a slot the library does not use

struct librarydatatable {
  int (*releasestring)(char* text);  // 0
  int (*newtensor)(hostinteger type, hostinteger rank, const hostinteger* dims,
                   hosttensor* out);                                             // 1
  hostslot unused2, unused3, unused4, unused5;                                   // 2-5
  void (*releasetensor)(hosttensor tensor);                                      // 6
  hostslot unused7;                                                              // 7
  int (*setreal)(hosttensor tensor, const hostinteger* position, double value);  // 8
  hostslot unused9, unused10, unused11, unused12, unused13, unused14;            // 9-14
  hostinteger (*tensorrank)(hosttensor tensor);                                  // 15
  const hostinteger* (*tensordims)(hosttensor tensor);                           // 16
  hostslot unused17, unused18;                                                   // 17-18
  hostinteger* (*integerdata)(hosttensor tensor);                                // 19
  double* (*realdata)(hosttensor tensor);                                        // 20
  hostslot unused21, unused22, unused23;                                         // 21-23
  hostlink (*getlink)(librarydata data);                                         // 24
  int (*processlink)(hostlink link);                                             // 25
};

// One cell per argument. A string argument's cell points at a `char*`; a tensor argument's cell
// points at a `hosttensor`. The result cell points at a double (fun) or a hosttensor (funvec,
// fifun).
typedef void* hostargument;

// The signature shared by fun, funvec and fifun.
typedef int (*entrypoint)(librarydata data, hostinteger argumentcount, hostargument* arguments,
                          hostargument result);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(librarydatatable) == 26 * sizeof(void*), "26 pointer-sized slots");
static_assert(offsetof(librarydatatable, releasestring) == 0 * sizeof(void*), "slot 0");
static_assert(offsetof(librarydatatable, newtensor) == 1 * sizeof(void*), "slot 1");
static_assert(offsetof(librarydatatable, releasetensor) == 6 * sizeof(void*), "slot 6");
static_assert(offsetof(librarydatatable, setreal) == 8 * sizeof(void*), "slot 8");
static_assert(offsetof(librarydatatable, tensorrank) == 15 * sizeof(void*), "slot 15");
static_assert(offsetof(librarydatatable, tensordims) == 16 * sizeof(void*), "slot 16");
static_assert(offsetof(librarydatatable, integerdata) == 19 * sizeof(void*), "slot 19");
static_assert(offsetof(librarydatatable, realdata) == 20 * sizeof(void*), "slot 20");
static_assert(offsetof(librarydatatable, getlink) == 24 * sizeof(void*), "slot 24");
static_assert(offsetof(librarydatatable, processlink) == 25 * sizeof(void*), "slot 25");
#endif

#endif  // KZR_BINDING_HOSTINTERFACE_H
