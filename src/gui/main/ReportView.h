#pragma once

class QTreeView;

// A list view in report view, as the results table and the web-result log are: rows selected whole, one at
// a time, headers clickable for sorting, nothing editable.
void setUpReportView(QTreeView *view);
