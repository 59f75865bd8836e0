#pragma once

#include "StoreResult.h"
#include "StoreSession.h"

#include <QString>
#include <functional>

class StoreConnection;

// A change of the working store as one write transaction together with the session record
// (StoreSession.h), and the statements that run inside it. The user's changes, those taken
// back and made again (StoreStep.h) and the facade's own (SQLite3PowerClass.h) all pass here.
namespace storetransaction {

// Runs work inside one write transaction on the store at storePath. When work is Done and
// changed rows (its changedRows), or session names what to record, the session record is
// written too (unsaved changes, unless session says otherwise); then all of it commits, or
// none. Rejected and Failed roll back and change no row. The error is work's, or the engine's
// last message when work gives none.
StoreResult change(const QString& storePath, const storesession::Update& session,
                   const std::function<StoreResult(StoreConnection&)>& work);

// Runs one statement on connection to its end: Rejected for a statement the engine refuses to
// prepare or a broken constraint, Failed for anything else that goes wrong; changedRows counts
// the rows it changed.
StoreResult run(StoreConnection& connection, const QString& statement);

// How a call on connection that has just failed ends: Rejected for a statement the engine
// refused to prepare (bad syntax, a column above 26), Failed otherwise; with the engine's
// message.
StoreResult failure(StoreConnection& connection);

}  // namespace storetransaction
