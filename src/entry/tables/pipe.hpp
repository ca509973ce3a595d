// Export-table rows of the pipe flow procedures.
#pragma once

#define XV55_PIPE_PROCEDURES(X)
