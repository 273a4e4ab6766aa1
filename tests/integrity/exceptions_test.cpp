// The exception family: fixed names, message shapes, ownership of nested exceptions, and
// clones that keep their actual class.
#include "integrity/exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace {

// "message|code" of an exception.
std::string Text(const Exception& error) {
    return error.message() + "|" + std::to_string(error.code());
}

template <class E, class Base>
void ExpectFamilyMember(const char* expectedName) {
    static_assert(std::is_base_of_v<Base, E> && !std::is_same_v<Base, E>);
    E error("message");
    const Exception& asRoot = error;  // through the root, so that a missing override would show
    EXPECT_STREQ(asRoot.name(), expectedName);
    EXPECT_STREQ(static_cast<const std::exception&>(error).what(), expectedName)
        << "not the message";
    EXPECT_EQ(asRoot.displayText(), std::string(expectedName) + ": message");
}

TEST(ExceptionFamily, EveryClassHasItsNameAndItsBase) {
    ExpectFamilyMember<Exception, std::exception>("Exception");
    ExpectFamilyMember<RuntimeException, Exception>("Runtime exception");
    ExpectFamilyMember<DataException, RuntimeException>("Data error");
    ExpectFamilyMember<SyntaxException, DataException>("Syntax error");
    ExpectFamilyMember<PathSyntaxException, SyntaxException>("Bad path syntax");
    ExpectFamilyMember<IOException, RuntimeException>("I/O error");
    ExpectFamilyMember<FileException, IOException>("File access error");
    ExpectFamilyMember<FileExistsException, FileException>("File exists");
    ExpectFamilyMember<FileNotFoundException, FileException>("File not found");
    ExpectFamilyMember<PathNotFoundException, FileException>("Path not found");
    ExpectFamilyMember<FileReadOnlyException, FileException>("File is read-only");
    ExpectFamilyMember<FileAccessDeniedException, FileException>("Access to file denied");
    ExpectFamilyMember<CreateFileException, FileException>("Cannot create file");
    ExpectFamilyMember<WriteFileException, FileException>("Cannot write file");
    ExpectFamilyMember<ReadFileException, FileException>("Cannot read file");
    ExpectFamilyMember<DirectoryNotEmptyException, FileException>("Directory not empty");
}

TEST(ExceptionFamily, CopiesAndClonesOwnIndependentPartsOfTheActualClass) {
    std::unique_ptr<Exception> copy;
    const Exception* originalNested = nullptr;
    {
        Exception outer("outer", FileNotFoundException("inner", 2), 7);
        originalNested = outer.nested();
        copy.reset(new Exception(outer));
    }  // the original and its nested exception are gone here
    ASSERT_NE(copy->nested(), nullptr);
    EXPECT_NE(copy->nested(), originalNested);
    EXPECT_EQ(std::string(copy->nested()->name()) + "|" + Text(*copy->nested()),
              "File not found|inner|2");
    EXPECT_EQ(Text(*copy), "outer|7");
    EXPECT_EQ(Exception("no nesting").nested(), nullptr);

    std::unique_ptr<Exception> clone(
        static_cast<const Exception&>(FileAccessDeniedException("/etc/shadow", 13)).clone());
    EXPECT_EQ(Text(*clone), "/etc/shadow|13");
    try {
        clone->rethrow();
        FAIL() << "rethrow returned";
    } catch (const FileAccessDeniedException& error) {
        EXPECT_EQ(Text(error), "/etc/shadow|13");
        EXPECT_NE(&error, clone.get()) << "rethrow throws a copy";
    }
}

}  // namespace
