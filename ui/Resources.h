#pragma once
// Resource identifiers, shared by the resource script and the code.

#define IDI_MORVANE 1
#define IDI_WARNING_TRIANGLE 2

#define IDB_PICTURES16 101
#define IDB_PICTURES20 102
#define IDB_PICTURES24 103
#define IDB_PICTURES32 104

#define IDB_BUTTONS24 111
#define IDB_BUTTONS30 112
#define IDB_BUTTONS36 113
#define IDB_BUTTONS48 114

#define IDB_BUSY100 121
#define IDB_BUSY125 122
#define IDB_BUSY150 123
#define IDB_BUSY200 124
