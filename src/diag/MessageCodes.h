// Every number the program reports, named once.  The number is the key of
// the message text in the catalogue Quillon32.err; operations return these
// codes (0 for success), positive for errors and negative for warnings.
#pragma once

namespace q32 {

// Progress messages on the console.
constexpr int kProgressProcessing = 1;  // Processing %s ...
constexpr int kProgressTotals = 2;  // %d Error(s), %d Warning(s)
constexpr int kProgressMenu = 4;  // Generating softkey menu ...
constexpr int kProgressSoftkeys = 5;  // Generating softkeys ...
constexpr int kProgressChecking = 6;  // Checking ...
constexpr int kProgressPostProcessing = 7;  // Post processing ...
constexpr int kProgressScanning = 8;  // Scanning ...
constexpr int kProgressDefinitions = 9;  // Generating softkey definitions ...

// Configuration defines.
constexpr int kDuplicateDefine = 1047;  // Definition already exists (warns as -1047)
constexpr int kUnquotedString = 1049;  // String without quotation marks (warns as -1049)

// Condition expressions and conditional sections.
constexpr int kIncompleteExpression = 3011;  // Incomplete or unbalanced expression
constexpr int kInstructionNotAllowed = 3043;  // Instruction not allowed
constexpr int kOutOfMemory = 3052;  // Not enough main memory (fatal)
constexpr int kUnknownOperand = 3070;  // Unknown operand
constexpr int kStringOperand = 3073;  // String where a number is needed
constexpr int kBadNumber = 3080;  // Invalid number in definition
constexpr int kOpenString = 3084;  // String literal without closing quotation mark
constexpr int kOpenIndex = 3091;  // Index without closing bracket
constexpr int kOpenSection = 3300;  // #ELSE or #ENDIF without #IF, or conditional block not closed
constexpr int kSectionsTooDeep = 3301;  // Conditional blocks nested too deeply
constexpr int kNotAStructure = 3507;  // Member access on a symbol that is no structure
constexpr int kUnknownMember = 3509;  // Unknown structure member
constexpr int kParenthesesTooDeep = 4010;  // Parentheses nested too deeply

// The PLC project information file and its symbols.
constexpr int kModulesShort = 6506;  // Module section of PLC project file shorter than announced
constexpr int kAmbiguousSymbol = 6509;  // Ambiguous PLC symbol
constexpr int kUnknownModule = 6510;  // Unknown PLC module

// Project files, menus and outputs.
constexpr int kProjectMissing = 8200;  // Project file does not exist
constexpr int kProjectNotOpened = 8201;  // Project file or include file cannot be opened
constexpr int kProjectEmpty = 8202;  // Project file is empty
constexpr int kNoHeader = 8203;  // Invalid project file header
constexpr int kValueInvalid = 8204;  // Invalid value
constexpr int kTooManyTokens = 8205;  // Too many parameters
constexpr int kKeywordNotAllowed = 8206;  // Unknown keyword, or keyword not allowed here
constexpr int kTooFewTokens = 8207;  // Missing parameter or wrong number of parameters
constexpr int kUnknownParameter = 8208;  // Unknown parameter or invalid menu number
constexpr int kTreeIsSystemList = 8210;  // Tree file must not be named like the system list
constexpr int kTextNeedsMoPath = 8211;  // Text softkey with #M text needs MOPATH
constexpr int kBadSubscript = 8216;  // Invalid index or member, or index out of range
constexpr int kIncompletePythonGoto = 8217;  // Incomplete Python parameters (GOTO/NODE)
constexpr int kOpenFailed = 8220;  // Error opening file
constexpr int kSourceMissing = 8221;  // Source file does not exist
constexpr int kReadFailed = 8222;  // Error reading softkey source file
constexpr int kWriteFailed = 8223;  // Error writing file
constexpr int kNoMemory = 8225;  // Not enough memory for the softkey project

// Bitmap and PCX pictures.
constexpr int kNotABitmap = 8230;  // Not a valid uncompressed bitmap file
constexpr int kWrongSize = -8231;  // Softkey picture is not 77 x 48 pixels
constexpr int kNotMonochrome = 8232;  // Bitmap with more than one bit per pixel
constexpr int kNotRunLengthPcx = 8240;  // Not a run-length encoded PCX file

// Drawings and text softkeys.
constexpr int kNoEntities = 8250;  // DXF file without ENTITIES section
constexpr int kUnknownBlock = 8251;  // DXF block not found
constexpr int kMissingGroup = 8252;  // DXF group missing or incomplete
constexpr int kUnexpectedEnd = 8253;  // Unexpected end of DXF file
constexpr int kUnknownEntity = 8254;  // DXF entity not supported
constexpr int kDrawingTooLarge = 8255;  // Drawing too large for a vector softkey
constexpr int kTooManyRows = 8260;  // Too many text rows for this text softkey

// Names, PLC project file, run outputs.
constexpr int kUnknownName = 8270;  // Unknown softkey or menu name
constexpr int kNameTwice = 8271;  // Softkey name already defined
constexpr int kMenuWithoutItems = 8272;  // Menu without entries
constexpr int kPlcFormatError = 8273;  // Format error in PLC project file
constexpr int kEndInsideMenu = 8274;  // End of project file inside a menu
constexpr int kNoRootMenu = -8275;  // No root menu defined
constexpr int kPlcFileNotOpened = 8276;  // PLC project file cannot be opened
constexpr int kDefinesFileNotOpened = 8277;  // Configuration defines file cannot be opened
constexpr int kInputIsGenerated = 8280;  // Input project file must not have the extension .spj
constexpr int kTreeNamedLikeSystemList = 8282;  // Tree file has the name of the softkey system list
constexpr int kIncompletePythonAction = 8298;  // Incomplete Python parameters (ACTION/PULSE)

// BMX projects and language texts.
constexpr int kBmxProjectNotOpened = 8300;  // BMX project file cannot be opened
constexpr int kBmxVersionNotSupported = 8301;  // BMX project version not supported
constexpr int kNotBmxProject = 8302;  // Invalid BMX project file header
constexpr int kUntranslated = -8305;  // Language texts missing or untranslated
constexpr int kLanguageFileError = 8306;  // Error reading language file
constexpr int kNoFreeLanguageEntry = 8307;  // No free entry for a further language file
constexpr int kLanguageLoaded = 8308;  // Language already loaded
constexpr int kUnsupportedCoding = 8309;  // Unsupported coding in language file
constexpr int kNotAllowedHere = 8311;  // Keyword or value not allowed here
constexpr int kUnknownWord = 8312;  // Unknown keyword, template or parameter
constexpr int kBlockOpenAtEnd = 8313;  // End of file inside an open block
constexpr int kWrongWordCount = 8315;  // Wrong number of words
constexpr int kLanguageDirectoryError = 8316;  // Language directory cannot be opened
constexpr int kNoLanguageFile = 8317;  // No language file of a known language found
constexpr int kBadValue = 8319;  // Invalid value (BMX projects)
constexpr int kLanguageTextMissing = 8320;  // Language text missing
constexpr int kBackgroundNotOpened = 8321;  // Background picture cannot be opened
constexpr int kNot24BitBitmap = 8322;  // Not a 24-bit uncompressed bitmap
constexpr int kBackgroundNotWritten = 8325;  // Error writing background picture
constexpr int kOutputNotCreated = 8326;  // Output file cannot be created
constexpr int kPictureNotRead = 8327;  // Picture file cannot be opened or read
constexpr int kLayerSizeDiffers = 8328;  // Layer size differs from background size
constexpr int kIncompletePythonCheck = 9999;  // Python parameters (CHECK/RADIO/STATE), language table memory

}  // namespace q32
