// The pricing entry points behind the exported names: fun (one real) and funvec (a vector).
//
// A call gives back the code text of the previous call of the same entry point, keeps its own,
// checks its tables, rebuilds the parameter block, runs the handler of its code and gives every
// tensor back before it returns. Refusals, before any table is written:
//   - fewer than four arguments, a missing code or tensor: status hoststatusfunctionerror;
//   - a code the registry lacks (case-sensitive, whole text): a message, hoststatusfunctionerror;
//   - tables outside the contract (T0 of rank below 2 or with more rows than the handler's row
//     table, T1 with fewer than six elements, T2 of rank below 2, with fewer than six rows, or
//     with fewer columns than an entry that the handler reads, and whose flag is zero, is read
//     with; a data or parameter table holding fewer elements than its rows and columns promise,
//     such as one of rank 3 or more with a zero leading dimension): a message and, from fun, the
//     undefined value with status 0; from funvec, hoststatusfunctionerror and no tensor. Rows of
//     T0 within the handler's row table that a code does not read are ignored, and so are the
//     columns of entries it does not read. No table is read past its elements.
// An exception out of a handler is caught: a message, the undefined value (fun) and
// hoststatusfunctionerror.
//
// Not thread-safe: the registries, the retained texts and the parameter block are process-wide.
#ifndef KZR_BINDING_ENTRYPOINTS_H
#define KZR_BINDING_ENTRYPOINTS_H

#include "binding/hostinterface.h"

constexpr int hostinterfaceversion = 5;

int scalarentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
                hostargument result);
int vectorentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
                hostargument result);

#endif  // KZR_BINDING_ENTRYPOINTS_H
