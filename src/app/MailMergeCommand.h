#pragma once
// The "Generate a Mail Merge File" command: groups chosen in TMultGroup, the file in a save dialog.
namespace app {

void MailMergeCommand();

}  // namespace app
