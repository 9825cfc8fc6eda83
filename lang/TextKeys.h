// The keys of the texts in the language files (section "Main"), by what each text says. The
// comment gives the English text. A table of names only: it includes nothing, so that the errors
// of every layer can name the text that explains them to a person.
#pragma once

namespace lang {

namespace key {

inline constexpr wchar_t kApplicationTitle[] = L"01000000"; // the title of the windows and boxes
inline constexpr wchar_t kSelectFolder[] = L"03020209"; // "Select destination folder."

inline constexpr wchar_t kExtractingFiles[] = L"02000105"; // "Extract files..."
inline constexpr wchar_t kCannotCreateFolder[] = L"02000603"; // "Cannot create folder '{0}'"
inline constexpr wchar_t kOk[] = L"02000702"; // "OK"
inline constexpr wchar_t kYes[] = L"02000705"; // "&Yes"
inline constexpr wchar_t kYesToAll[] = L"02000707"; // "Yes to &All"
inline constexpr wchar_t kNo[] = L"02000709"; // "&No"
inline constexpr wchar_t kNoToAll[] = L"0200070B"; // "No to A&ll"
inline constexpr wchar_t kCancel[] = L"02000710"; // "Cancel"
inline constexpr wchar_t kExtractTitle[] = L"02000800"; // "Extract"
inline constexpr wchar_t kExtractTo[] = L"02000801"; // "E&xtract to:"
inline constexpr wchar_t kSpecifyLocation[] = L"02000881"; // "Specify a location for extracted files."
inline constexpr wchar_t kConfirmReplaceTitle[] = L"02000900"; // "Confirm File Replace"
inline constexpr wchar_t kFolderHoldsFile[] = L"02000901"; // "Destination folder already contains processed file."
inline constexpr wchar_t kReplaceExistingFile[] = L"02000902"; // "Would you like to replace the existing file"
inline constexpr wchar_t kWithThisOne[] = L"02000903"; // "with this one?"
inline constexpr wchar_t kAutoRename[] = L"02000911"; // "A&uto Rename"
inline constexpr wchar_t kSizeInBytes[] = L"02000982"; // "{0} bytes"
inline constexpr wchar_t kModifiedOn[] = L"02000983"; // "modified on"
inline constexpr wchar_t kPasswordTitle[] = L"02000B00"; // "Enter password"
inline constexpr wchar_t kEnterPassword[] = L"02000B01"; // "Enter password:"
inline constexpr wchar_t kShowPassword[] = L"02000B02"; // "&Show password"
inline constexpr wchar_t kWrongPassword[] = L"02000B10"; // "Passwords do not match"
inline constexpr wchar_t kElapsedTime[] = L"02000C01"; // "Elapsed time:"
inline constexpr wchar_t kRemainingTime[] = L"02000C02"; // "Remaining time:"
inline constexpr wchar_t kTotalSize[] = L"02000C03"; // "Total size:"
inline constexpr wchar_t kSpeed[] = L"02000C04"; // "Speed:"
inline constexpr wchar_t kProcessed[] = L"02000C05"; // "Processed:"
inline constexpr wchar_t kBackground[] = L"02000C10"; // "&Background"
inline constexpr wchar_t kPause[] = L"02000C12"; // "&Pause"
inline constexpr wchar_t kContinue[] = L"02000C13"; // "&Continue"
inline constexpr wchar_t kConfirmCancel[] = L"02000C30"; // "Are you sure you want to cancel?"
inline constexpr wchar_t kNotExtracted[] = L"02000C40"; // "The files could not be extracted."
inline constexpr wchar_t kPackageDamaged[] = L"02000C41"; // "The package is damaged or incomplete."
inline constexpr wchar_t kEntryDamaged[] = L"02000C42"; // "The data of {0} is damaged."
inline constexpr wchar_t kPasswordDoesNotFit[] = L"02000C43"; // "The password does not fit {0}."
inline constexpr wchar_t kUnsupportedMethod[] = L"02000C44"; // "{0} is packed in a way this program cannot unpack."
inline constexpr wchar_t kEntryOutsideFolder[] = L"02000C45"; // "{0} would be written outside the folder {1}."
inline constexpr wchar_t kNotEnoughSpace[] = L"02000C46"; // "There is not enough free space on {0} ({1} needed, {2} free)."
inline constexpr wchar_t kCannotCreateFile[] = L"02000C47"; // "Cannot create file "{0}". {1}"
inline constexpr wchar_t kCannotWriteFile[] = L"02000C48"; // "Cannot write file "{0}". {1}"
inline constexpr wchar_t kNameTooLong[] = L"02000C49"; // "The name of {0} is too long."
inline constexpr wchar_t kKeptWholeFiles[] = L"02000C50"; // "Files extracted whole and kept in the folder: {0}"
inline constexpr wchar_t kNotExtractedList[] = L"02000C51"; // "Not extracted:"
inline constexpr wchar_t kAndMore[] = L"02000C52"; // "and {0} more"
inline constexpr wchar_t kPlacedUnderNewNames[] = L"02000C53"; // "Windows cannot keep these names apart; they were placed under new names:"

} // namespace key

} // namespace lang
