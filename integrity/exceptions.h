#pragma once
// The launcher's exception family, rooted in Exception (itself a std::exception). Only file
// access raises them; every other part reports failures through its result.
//
// Poco's family already has these classes with exactly these name() texts, so the launcher
// uses it rather than keeping a twin. What every class offers:
// - (message, code = 0) and (message, argument, code = 0): a non-empty argument extends the
//   message to "message: argument";
// - (message, nested, code = 0): the exception owns a clone of `nested`;
// - copies own an independent clone of the nested exception, destroyed with them;
// - name() is the class's fixed text ("File not found"), what() returns the same text (not the
//   message), className() the run-time type name, message() and code() what was given,
//   displayText() "name: message";
// - clone() returns a heap copy of the actual class owned by the caller; rethrow() throws a
//   copy as its actual class.
//
// The tree, with the name() texts:
//   Exception                          "Exception"
//   +- RuntimeException                "Runtime exception"
//      +- DataException                "Data error"
//      |  +- SyntaxException           "Syntax error"
//      |     +- PathSyntaxException    "Bad path syntax"
//      +- IOException                  "I/O error"
//         +- FileException             "File access error"
//            +- FileExistsException         "File exists"
//            +- FileNotFoundException       "File not found"
//            +- PathNotFoundException       "Path not found"
//            +- FileReadOnlyException       "File is read-only"
//            +- FileAccessDeniedException   "Access to file denied"
//            +- CreateFileException         "Cannot create file"
//            +- WriteFileException          "Cannot write file"
//            +- ReadFileException           "Cannot read file"
//            +- DirectoryNotEmptyException  "Directory not empty"

#include <Poco/Exception.h>

using Exception = Poco::Exception;
using RuntimeException = Poco::RuntimeException;
using DataException = Poco::DataException;
using SyntaxException = Poco::SyntaxException;
using PathSyntaxException = Poco::PathSyntaxException;
using IOException = Poco::IOException;
using FileException = Poco::FileException;
using FileExistsException = Poco::FileExistsException;
using FileNotFoundException = Poco::FileNotFoundException;
using PathNotFoundException = Poco::PathNotFoundException;
using FileReadOnlyException = Poco::FileReadOnlyException;
using FileAccessDeniedException = Poco::FileAccessDeniedException;
using CreateFileException = Poco::CreateFileException;
using WriteFileException = Poco::WriteFileException;
using ReadFileException = Poco::ReadFileException;
using DirectoryNotEmptyException = Poco::DirectoryNotEmptyException;
