#pragma once

#include <memory>
#include <string>

#include "platform/api/clock.h"
#include "platform/api/document_opener.h"
#include "platform/api/end_of_session.h"
#include "platform/api/executable_access.h"
#include "platform/api/execution_guard.h"
#include "platform/api/file_locker.h"
#include "platform/api/image_digests.h"
#include "platform/api/instance_lock.h"
#include "platform/api/process_events.h"
#include "platform/api/process_priority.h"
#include "platform/api/process_table.h"
#include "platform/api/process_terminator.h"
#include "platform/api/sound_player.h"
#include "platform/api/startup_registration.h"
#include "platform/api/watch_scope.h"

namespace korvane {

// Every OS service the program uses, built once by app/ (or by a test) and passed in.
struct PlatformServices {
    std::unique_ptr<ProcessTable> processes;
    std::unique_ptr<ProcessTerminator> terminator;
    std::unique_ptr<ProcessPriority> priority;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ExecutableAccess> executables;
    std::unique_ptr<SoundPlayer> sound;
    std::unique_ptr<InstanceLock> instanceLock;
    std::unique_ptr<FileLocker> fileLocker;
    std::unique_ptr<StartupRegistration> startup;
    std::unique_ptr<EndOfSession> endOfSession;
    std::unique_ptr<DocumentOpener> documents;
    // May stay empty: the process table is then read on every tick.
    std::unique_ptr<ProcessEvents> processEvents;
    // May stay empty: Kill-listed programs are then ended after they start.
    std::unique_ptr<ExecutionGuard> executionGuard;
    // May stay empty: the engine then reads running images itself, through
    // `executables`.
    std::unique_ptr<ImageDigests> imageDigests;
    // What the watch can see, in the status line's words.
    std::unique_ptr<WatchScope> scope;
    // The root of the file system whose package database (dpkg's) may vouch for the
    // programs it installed.
    std::string packageRoot = "/";
};

} // namespace korvane
