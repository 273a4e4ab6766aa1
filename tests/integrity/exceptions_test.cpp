// The exception family: fixed names, message shapes, ownership of nested exceptions, and
// clones that keep their actual class.
#include "integrity/exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>

namespace {

template <class E, class Base>
void ExpectFamilyMember(const char* expectedName) {
    static_assert(std::is_base_of_v<Base, E> && !std::is_same_v<Base, E>);
    E error("message");
    // Through the root, so that a missing override would show.
    const Exception& asRoot = error;
    EXPECT_STREQ(asRoot.name(), expectedName);
    EXPECT_STREQ(asRoot.what(), expectedName) << "what() is the name, not the message";
    EXPECT_STREQ(asRoot.className(), typeid(E).name());
    EXPECT_EQ(asRoot.message(), "message");
    const std::exception& asStandard = error;
    EXPECT_STREQ(asStandard.what(), expectedName);
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

TEST(ExceptionFamily, MessageArgumentAndCode) {
    FileException plain("C:/data/a.csv", 5);
    EXPECT_EQ(plain.message(), "C:/data/a.csv");
    EXPECT_EQ(plain.code(), 5);
    EXPECT_EQ(plain.displayText(), "File access error: C:/data/a.csv");

    FileException extended("sharing violation", "C:/data/a.csv", 32);
    EXPECT_EQ(extended.message(), "sharing violation: C:/data/a.csv");
    EXPECT_EQ(extended.code(), 32);

    FileException noArgument("sharing violation", std::string(), 32);
    EXPECT_EQ(noArgument.message(), "sharing violation");

    EXPECT_EQ(Exception("x").code(), 0);
}

TEST(ExceptionFamily, CopiesOwnAnIndependentNestedException) {
    std::unique_ptr<Exception> copy;
    const Exception* originalNested = nullptr;
    {
        Exception outer("outer", FileNotFoundException("inner", 2), 7);
        originalNested = outer.nested();
        ASSERT_NE(originalNested, nullptr);
        copy.reset(new Exception(outer));
    }  // the original and its nested exception are gone here
    ASSERT_NE(copy->nested(), nullptr);
    EXPECT_NE(copy->nested(), originalNested);
    EXPECT_STREQ(copy->nested()->name(), "File not found");
    EXPECT_EQ(copy->nested()->message(), "inner");
    EXPECT_EQ(copy->nested()->code(), 2);
    EXPECT_EQ(copy->message(), "outer");
    EXPECT_EQ(copy->code(), 7);
    EXPECT_EQ(Exception("no nesting").nested(), nullptr);
}

TEST(ExceptionFamily, CloneAndRethrowKeepTheActualClass) {
    FileAccessDeniedException original("/etc/shadow", 13);
    const Exception& asBase = original;
    std::unique_ptr<Exception> clone(asBase.clone());
    EXPECT_NE(dynamic_cast<FileAccessDeniedException*>(clone.get()), nullptr);
    EXPECT_EQ(clone->message(), "/etc/shadow");
    EXPECT_EQ(clone->code(), 13);

    try {
        clone->rethrow();
        FAIL() << "rethrow returned";
    } catch (const FileAccessDeniedException& error) {
        EXPECT_EQ(error.message(), "/etc/shadow");
        EXPECT_NE(&error, clone.get()) << "rethrow throws a copy";
    }
}

}  // namespace
