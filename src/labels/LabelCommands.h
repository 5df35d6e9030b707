#pragma once
// The main window's label commands: the label stock loop ("Label Forms") and the label jobs, each of
// which asks for the stock and starting place (TLabPrint), chooses its customers and sends one label
// job to the printer, a print preview or a PDF file.
#include "labels/LabelJobs.h"

namespace labels {

// "Label Forms": the label stock pick list and the stock window in turn until the list is cancelled.
void LabelFormsCommand();
// A label job, start to end. The batch job reads the batch label file of the data directory.
void PrintLabels(LabelJob job);
// "Print Batch Labels": the batch job when the batch label file exists, else says it does not.
void PrintBatchLabels();

}  // namespace labels
