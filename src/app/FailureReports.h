#pragma once
// The layers below the windows keep working through their own failures and only say them: the
// history of runs and, at start and while typing, the recovery files. Their words reach the user
// through the one error reporter under the context a user knows them by; the frame installs them
// when it is made.
namespace tbn::app {

void InstallFailureReports();

}  // namespace tbn::app
