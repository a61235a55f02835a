// Every number the program reports, named once.  The number is the key of
// the message text in the catalogue Quillon32.err: positive for errors,
// negative for warnings.  Operations that can fail return a Msg, Msg::Ok for
// success.
#pragma once

namespace q32 {

// Progress messages on the console.
enum class Progress : int {
  Processing = 1,  // Processing %s ...
  Totals = 2,  // %d Error(s), %d Warning(s)
  Menu = 4,  // Generating softkey menu ...
  Softkeys = 5,  // Generating softkeys ...
  Checking = 6,  // Checking ...
  PostProcessing = 7,  // Post processing ...
  Scanning = 8,  // Scanning ...
  Definitions = 9,  // Generating softkey definitions ...
};

enum class [[nodiscard]] Msg : int {
  Ok = 0,

  // Configuration defines.
  DuplicateDefine = -1047,  // Definition already exists
  UnquotedString = -1049,  // String without quotation marks

  // Condition expressions and conditional sections.
  IncompleteExpression = 3011,  // Incomplete or unbalanced expression
  InstructionNotAllowed = 3043,  // Instruction not allowed
  OutOfMemory = 3052,  // Not enough main memory (fatal)
  UnknownOperand = 3070,  // Unknown operand
  StringOperand = 3073,  // String where a number is needed
  BadNumber = 3080,  // Invalid number in definition
  OpenString = 3084,  // String literal without closing quotation mark
  OpenIndex = 3091,  // Index without closing bracket
  OpenSection = 3300,  // #ELSE or #ENDIF without #IF, or conditional block not closed
  SectionsTooDeep = 3301,  // Conditional blocks nested too deeply
  NotAStructure = 3507,  // Member access on a symbol that is no structure
  UnknownMember = 3509,  // Unknown structure member
  ParenthesesTooDeep = 4010,  // Parentheses nested too deeply

  // The PLC project information file and its symbols.
  ModulesShort = 6506,  // Module section of PLC project file shorter than announced
  AmbiguousSymbol = 6509,  // Ambiguous PLC symbol
  UnknownModule = 6510,  // Unknown PLC module

  // Project files, menus and outputs.
  ProjectMissing = 8200,  // Project file does not exist
  ProjectNotOpened = 8201,  // Project file or include file cannot be opened
  ProjectEmpty = 8202,  // Project file is empty
  NoHeader = 8203,  // Invalid project file header
  ValueInvalid = 8204,  // Invalid value
  TooManyTokens = 8205,  // Too many parameters
  KeywordNotAllowed = 8206,  // Unknown keyword, or keyword not allowed here
  TooFewTokens = 8207,  // Missing parameter or wrong number of parameters
  UnknownParameter = 8208,  // Unknown parameter or invalid menu number
  TreeIsSystemList = 8210,  // Tree file must not be named like the system list
  TextNeedsMoPath = 8211,  // Text softkey with #M text needs MOPATH
  NoCodePageForm = 8212,  // Character without a form in the Windows code page
  BadSubscript = 8216,  // Invalid index or member, or index out of range
  IncompletePythonGoto = 8217,  // Incomplete Python parameters (GOTO/NODE)
  OpenFailed = 8220,  // Error opening file
  SourceMissing = 8221,  // Source file does not exist
  ReadFailed = 8222,  // Error reading softkey source file
  WriteFailed = 8223,  // Error writing file
  NoMemory = 8225,  // Not enough memory for the softkey project

  // Bitmap and PCX pictures.
  NotABitmap = 8230,  // Not a valid uncompressed bitmap file
  WrongSize = -8231,  // Softkey picture is not 77 x 48 pixels
  NotMonochrome = 8232,  // Bitmap with more than one bit per pixel
  NotRunLengthPcx = 8240,  // Not a run-length encoded PCX file

  // Drawings and text softkeys.
  NoEntities = 8250,  // DXF file without ENTITIES section
  UnknownBlock = 8251,  // DXF block not found
  MissingGroup = 8252,  // DXF group missing or incomplete
  UnexpectedEnd = 8253,  // Unexpected end of DXF file
  UnknownEntity = 8254,  // DXF entity not supported
  DrawingTooLarge = 8255,  // Drawing too large for a vector softkey
  TooManyRows = 8260,  // Too many text rows for this text softkey

  // Names, PLC project file, run outputs.
  UnknownName = 8270,  // Unknown softkey or menu name
  NameTwice = 8271,  // Softkey name already defined
  MenuWithoutItems = 8272,  // Menu without entries
  PlcFormatError = 8273,  // Format error in PLC project file
  EndInsideMenu = 8274,  // End of project file inside a menu
  NoRootMenu = -8275,  // No root menu defined
  PlcFileNotOpened = 8276,  // PLC project file cannot be opened
  DefinesFileNotOpened = 8277,  // Configuration defines file cannot be opened
  InputIsGenerated = 8280,  // Input project file must not have the extension .spj
  TreeNamedLikeSystemList = 8282,  // Tree file has the name of the softkey system list
  IncompletePythonAction = 8298,  // Incomplete Python parameters (ACTION/PULSE)

  // BMX projects and language texts.
  BmxProjectNotOpened = 8300,  // BMX project file cannot be opened
  BmxVersionNotSupported = 8301,  // BMX project version not supported
  NotBmxProject = 8302,  // Invalid BMX project file header
  Untranslated = -8305,  // Language texts missing or untranslated
  LanguageFileError = 8306,  // Error reading language file
  NoFreeLanguageEntry = 8307,  // No free entry for a further language file
  LanguageLoaded = 8308,  // Language already loaded
  UnsupportedCoding = 8309,  // Unsupported coding in language file
  NotAllowedHere = 8311,  // Keyword or value not allowed here
  UnknownWord = 8312,  // Unknown keyword, template or parameter
  BlockOpenAtEnd = 8313,  // End of file inside an open block
  WrongWordCount = 8315,  // Wrong number of words
  LanguageDirectoryError = 8316,  // Language directory cannot be opened
  NoLanguageFile = 8317,  // No language file of a known language found
  BadValue = 8319,  // Invalid value (BMX projects)
  LanguageTextMissing = 8320,  // Language text missing
  BackgroundNotOpened = 8321,  // Background picture cannot be opened
  Not24BitBitmap = 8322,  // Not a 24-bit uncompressed bitmap
  BackgroundNotWritten = 8325,  // Error writing background picture
  OutputNotCreated = 8326,  // Output file cannot be created
  PictureNotRead = 8327,  // Picture file cannot be opened or read
  LayerSizeDiffers = 8328,  // Layer size differs from background size
  IncompletePythonCheck = 9999,  // Python parameters (CHECK/RADIO/STATE), language table memory

  // The -W checks: what a run lets pass in silence, reported as warnings.
  IncludeMissing = -8401,             // The included file does not exist
  SoftkeyWrittenTwice = -8402,        // Two softkey lines write the same softkey file
  TextCut = -8403,                    // A text row cut to fit the softkey
  NameCut = -8404,                    // A name or define value cut to 24 characters
  MenuNumberTwice = -8405,            // Two menus have the same number
  DrawingBeyondSoftkey = -8406,       // A drawing reaches beyond the softkey
  EntityNotDrawn = -8407,             // A drawing entity that is not drawn
  Utf8TextSource = -8408,             // UTF-8 bytes in a text softkey source (code page 850)
  SoftkeyNotShown = -8409,            // A softkey no menu shows
  MenuNotReached = -8410,             // A menu no root menu leads to
  SoftkeyNamedBeforeDefined = -8411,  // An item names a softkey defined further down
  UnknownMenuAttribute = -8412,       // A word of an SKMENU line that is no attribute
  ConfigurationLineIgnored = -8413,   // A configuration file line that is no DEFINE line
  BitOneLighter = -8414,              // A 1-bit bitmap whose colour table makes bit 1 the lighter
  Utf8ProjectFile = -8415,            // A project file saved as UTF-8
  MisspeltDirective = -8416,          // A misspelt directive in a switched-off section
  SourceNameCut = -8417,              // A source name cut to 255 characters
  GeneratedSoftkeyNotFound = -8418,   // A generated project's softkey found nowhere the default run writes
};

// A report of a negative number counts as a warning, of a positive one as
// an error.
constexpr bool IsWarning(Msg code) { return static_cast<int>(code) < 0; }
constexpr bool IsError(Msg code) { return static_cast<int>(code) > 0; }
// The catalogue's key of a message.
constexpr int Number(Msg code) { return static_cast<int>(code); }
constexpr int Number(Progress message) { return static_cast<int>(message); }

}  // namespace q32
