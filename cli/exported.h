// The library's exported functions, typed as custor.h declares them: the name is looked up as written
// and the type is the declaration's, so that neither can drift from the header.
#ifndef CUSTOR_CLI_EXPORTED_H_
#define CUSTOR_CLI_EXPORTED_H_

#include "cli/loader.h"
#include "custor/custor.h"

// A pointer to the exported function `name` of `library` (a custor::cli::Library); throws LoadError
// when the library has none.
#define CUSTOR_EXPORTED(library, name) ((library).Get<decltype(::name)>(#name))

#endif  // CUSTOR_CLI_EXPORTED_H_
