package com.vorlanworks.bridge.caller;

/**
 * Native face of the bridge to the Vorlan analysis engine.
 *
 * <p>Load the bridge library first with
 * {@code System.load("/path/to/libVorlanBridge.so")} (or {@code VorlanBridge.dll}), then call
 * {@link #initJniBridge(String)} with the complete path of the engine library. Every other
 * method may be called before that and then returns its fallback.
 *
 * <p><b>Threads.</b> {@code initJniBridge} must have returned before any other thread calls
 * in; from then on every method may be called from any thread. The bridge starts no threads and
 * calls Java only through the JNI environment of the calling thread.
 *
 * <p><b>Failures.</b> No method throws. A missing engine entry point, a {@code null} string
 * argument or an engine failure gives the method's fallback value and a line in the log. A
 * {@code null} argument never reaches the engine: the method writes
 * "{@code <method>: argument <name> is null}" at level 1 and returns its fallback.
 *
 * <p><b>Log.</b> Level 0 (the initial level) writes nothing, level 1 writes errors (missing entry
 * points, null arguments, load failures, missing files), level 2 adds the trace of every call:
 * the method's own enter and exit lines, then the engine call with its arguments and result
 * ("{@code Call <proxy method>}", "{@code > API CALL - <entry>}", one line per argument,
 * "{@code < Result: <value>}"). A missing entry point writes
 * "{@code Attempt to call VorlanApi::<method> failed because ptr2f is null}" at level 1. Lines
 * go to standard output, or to the file set with {@link #setNativeLogFile(String)}.
 *
 * <p><b>Lists.</b> Lists going to the bridge are one string whose items are separated by
 * {@link #LIST_SEPARATOR} (U+0019), together with their count; the split list always has
 * exactly {@code count} items (missing ones empty, extra ones dropped). A negative count, or one
 * larger than the string's length plus one, is refused with the method's fallback. Lists coming
 * back are joined with ';', with nothing after the last item.
 *
 * <p><b>Documents.</b> Record results come back as compact XML: elements only, no declaration,
 * no whitespace between elements. Their schemas are in the distribution's {@code schemas}
 * folder; the four large documents come as {@code byte[]} holding exactly the UTF-8 bytes of
 * the text, the smaller ones as {@code String}.
 */
public class VorlanBridge {
    /** Separator of the list strings handed to the bridge. */
    public static final char LIST_SEPARATOR = '\u0019';

    /** A bridge object; all of them share the one loaded engine. */
    public VorlanBridge() {}

    // Start-up

    /**
     * Loads the engine library and resolves its 53 entry points by name. Call it first, once,
     * before any other thread calls in; a later call with a loaded engine changes nothing and
     * answers "OK". After a failure it may be called again with the same or another path. An
     * engine lacking some entry points still loads: the methods using them give their fallbacks.
     *
     * <p>Log: level 1 has the load failure text and one line per entry point not found; level 2
     * adds the enter and exit lines and one line per entry point looked up.
     *
     * @param libraryPath complete path of {@code libVorlan.so} or {@code Vorlan.dll}
     * @return "OK" when the engine is loaded (by this call or an earlier one); otherwise the load
     *     failure: "Failed to load libVorlan.so: " and the loader's message on Linux, "Failed to
     *     load Vorlan.dll: " and the decimal system error code on Windows; for a {@code null}
     *     path "Please select a path for Vorlan.dll file!" on both platforms, the engine untouched
     */
    public native String initJniBridge(String libraryPath);

    /**
     * Sends the bridge's log to a file instead of standard output. The file is emptied at once;
     * later lines are appended to it, each written in full. May be called at any time, from any
     * thread, also before {@link #initJniBridge(String)}.
     *
     * <p>Log: writes nothing itself; a {@code null} path changes nothing and writes its
     * null-argument line at level 1.
     *
     * @param path the log file; {@code null} keeps the current destination
     */
    public native void setNativeLogFile(String path);

    // Results

    /**
     * Opens the results store of a project in the engine (entry {@code initResults}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the three arguments, the engine call and an exit line with the system error code.
     *
     * @param bindKey the key the engine was started with
     * @param location folder of the project
     * @param name name of the project
     * @return the engine's status (0 is success); -1 when the entry is missing or an argument is
     *     {@code null}
     */
    public native long initResults(String bindKey, String location, String name);

    /**
     * Lets the engine aggregate the analysis results (entry {@code aggregate}); returns when the
     * engine does. The engine's progress reports are logged, not passed to Java. Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and one
     * "{@code Aggregate progress is <n>}" line per progress report.
     */
    public native void aggregate();

    /**
     * Whether the engine holds results for a source file (entry {@code hasResults}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the path and the engine call.
     *
     * @param filePath the source file
     * @return the engine's answer; false when the entry is missing or the path is {@code null}
     */
    public native boolean hasResults(String filePath);

    /**
     * Whether the engine's results for a source file are up to date (entry
     * {@code hasUptoDateResults}). Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the path and the engine call.
     *
     * @param filePath the source file
     * @return the engine's answer; false when the entry is missing or the path is {@code null}
     */
    public native boolean hasUpToDateResults(String filePath);

    /**
     * The diagnostics of a source file as the "KOE" document (schema
     * {@code diagnostics.xsd}). The engine's records are released before the method returns.
     * Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the engine call with
     * its arguments, its status and the number of diagnostics.
     *
     * @param filePath the source file
     * @param messages not used: the engine is always asked for every message (may be {@code null})
     * @param rules not used (may be {@code null})
     * @param mask not used: the engine always gets the mask 0
     * @return the UTF-8 bytes of the document; an empty array when the engine has no
     *     diagnostics for the file, the entry is missing or the path is {@code null}
     */
    public native byte[] getDiagnostics(String filePath, String messages, String rules, long mask);

    // Rule configuration

    /**
     * The rule groups with their rules and child rules as the "KoRuleGrouping" document (schema
     * {@code rule-groups.xsd}); the records are released before the method returns. Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call, its status and the
     * number of groups.
     *
     * @return the UTF-8 bytes of the document; an empty array when the engine gives no groups or
     *     the entry is missing
     */
    public native byte[] getRuleGroups();

    /**
     * Which rules each message belongs to, as the "KoMessageRuleMapping" document (schema
     * {@code message-rule-map.xsd}); the records are released before the method returns. Call
     * after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call, its status and the
     * number of mappings.
     *
     * @return the UTF-8 bytes of the document; an empty array when the engine gives no map or
     *     the entry is missing
     */
    public native byte[] getMessageRuleMap();

    // Projects

    /**
     * Opens a project in the engine's project manager (entry {@code initProjectMngr}). Call
     * after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the three arguments, the engine call and an exit line with the system error code.
     *
     * @param bindKey the key the engine was started with
     * @param location folder of the project
     * @param name name of the project
     * @return the engine's status (0 is success); -1 when the entry is missing or an argument is
     *     {@code null}
     */
    public native long initProjectMngr(String bindKey, String location, String name);

    /**
     * Whether a folder holds a project of the engine (entry {@code isTivraProject}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line, the
     * engine call with the engine's raw answer and an exit line.
     *
     * @param location folder of the project
     * @param name name of the project
     * @return true exactly when the engine answers 1; false when the entry is missing or an
     *     argument is {@code null}
     */
    public native boolean isTivraProject(String location, String name);

    /**
     * Creates a project from its configuration files (entry {@code createProject}). Missing
     * files are only logged: the engine is called all the same. Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line and one line per file that does
     * not exist; level 2 the user configuration path, which files and folder exist, the enter
     * line with the five arguments, the engine call and an exit line.
     *
     * @param location folder of the new project
     * @param name name of the project
     * @param acfFile analysis configuration file
     * @param rcfFile rule configuration file
     * @param cctFile compiler configuration file
     * @return the engine's status (0 is success); -1 when the entry is missing or an argument is
     *     {@code null}
     */
    public native long createProject(String location, String name, String acfFile, String rcfFile, String cctFile);

    /**
     * Adds a compiler configuration file to the project (entry {@code addCCT}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line, or that the file does not
     * exist; level 2 whether it exists, the enter line and the engine call.
     *
     * @param cctFilePath the file
     * @return the engine's status (0 is success); -1 when the entry is missing or the path is
     *     {@code null}
     */
    public native long addCCT(String cctFilePath);

    /**
     * Makes a compiler configuration file the active one for a source language (entry
     * {@code setActiveCCT}). Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line, or that the file does not
     * exist; level 2 whether it exists, the enter line and the engine call.
     *
     * @param lang source language: 0 C, 1 C++, 2 C#
     * @param cctFileName the file
     * @return the engine's status (0 is success); -1 when the entry is missing or the name is
     *     {@code null}
     */
    public native long setActiveCCT(int lang, String cctFileName);

    /**
     * Adds a source file with its macro definitions and include paths to the project (entry
     * {@code addFile}). Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line, a refused count, or a count
     * that does not match its list; level 2 the engine call with the language, the file and the
     * two counts.
     *
     * @param targetLanguage source language (0 C, 1 C++, 2 C#); only the low 32 bits are used
     * @param file the source file
     * @param defines the definitions ({@code NAME} or {@code NAME=VALUE}) separated by
     *     {@link #LIST_SEPARATOR}
     * @param definesSize number of definitions; 0 hands the engine no list
     * @param includes the include paths separated by {@link #LIST_SEPARATOR}
     * @param includesSize number of include paths; 0 hands the engine no list
     * @return the engine's status (0 is success); -1 when the entry is missing, a string is
     *     {@code null} or a count is negative or larger than its list can hold
     */
    public native long addFile(long targetLanguage, String file, String defines, int definesSize, String includes, int includesSize);

    /**
     * Removes a source file from the project (entry {@code removeFile}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the engine call with
     * the path.
     *
     * @param filePath the source file
     * @return the engine's status (0 is success); -1 when the entry is missing or the path is
     *     {@code null}
     */
    public native long removeFile(String filePath);

    /**
     * The project's source files (entry {@code getFiles}). Call after {@code initJniBridge}; any
     * thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its status.
     *
     * @return the paths joined with ';'; the empty string when the engine's status is not 0 or
     *     the entry is missing
     */
    public native String getFiles();

    /**
     * The settings of one project file (include paths, definitions, source language) as the
     * "KOF" document (schema {@code file-settings.xsd}). Call after {@code initJniBridge}; any
     * thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the path, the engine call, its status and the release of the record.
     *
     * @param filePath the source file
     * @return the document; the empty string when the engine gives no record, the entry is
     *     missing or the path is {@code null}
     */
    public native String getKoFile(String filePath);

    /**
     * The file extensions the engine maps to C, then to C++ (entry
     * {@code getMappedFileExtensions}, asked once per language). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the enter and exit lines and each
     * engine call with its language and status.
     *
     * @return the extensions joined with ';'; a language whose query fails adds none; the empty
     *     string when the entry is missing
     */
    public native String getFileExtensions();

    /**
     * The file, message and rule trees of the project as the "Tr" document (schema
     * {@code trees.xsd}); the records are released before the method returns. Besides the log,
     * the engine's status is always printed to standard output as "{@code call result: <n>}".
     * Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line, a refused count, or a count
     * that does not match its list; level 2 the engine call and its status.
     *
     * @param flag handed to the engine as it is
     * @param count number of items in {@code list}; 0 hands the engine no list
     * @param list the items separated by {@link #LIST_SEPARATOR}; not read, and may be
     *     {@code null}, when {@code count} is 0
     * @return the UTF-8 bytes of the document; an empty array when the engine's status is not 0,
     *     it gives no trees, the entry is missing, the count is refused or the list is
     *     {@code null}
     */
    public native byte[] getTrees(boolean flag, int count, String list);

    // Environment and settings

    /**
     * The engine's installation folder (entry {@code getInstallPath}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getInstallPath();

    /**
     * The user's folder of the engine (entry {@code getUserPath}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getUserPath();

    /**
     * The engine's installed configuration folder (entry {@code getInstallConfigPath}). Call
     * after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getInstallConfigPath();

    /**
     * The engine's folder of programs (entry {@code getInstallBinaryPath}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getInstallBinaryPath();

    /**
     * The user's application configuration folder (entry {@code getUserAppConfigPath}). Call
     * after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getUserAppConfigPath();

    /**
     * The user's configuration folder (entry {@code getUserConfigPath}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getUserConfigPath();

    /**
     * The engine's workspace folder (entry {@code getWorkspace}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "null" when the entry is missing
     */
    public native String getWorkspace();

    /**
     * Sets the engine's workspace folder (entry {@code setWorkspace}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the engine call with
     * the path and an exit line with the system error code.
     *
     * @param path the folder; {@code null} leaves the engine uncalled
     */
    public native void setWorkspace(String path);

    /**
     * The languages of the engine's messages as the "KOL" document (schema
     * {@code languages.xsd}); codes other than 0, 1 and 2 are left out. Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and the release of the
     * list.
     *
     * @return the document; the empty string when the engine gives no list or the entry is
     *     missing
     */
    public native String getAvailableLanguages();

    /**
     * The language of the engine's messages (entry {@code getCurrentLanguage}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's language code, unchecked; 0 when the entry is missing
     */
    public native int getCurrentLanguage();

    /**
     * Sets the language of the engine's messages (entry {@code setCurrentLanguage}); the code is
     * passed unchecked. Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call with the code.
     *
     * @param language the language code
     */
    public native void setCurrentLanguage(int language);

    /**
     * The engine's CMA projects (entry {@code getCMAProjectList}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the enter and exit lines, the engine
     * call, its status and the size of the list.
     *
     * @return the projects joined with ';'; the empty string when the engine's status is 0, it
     *     gives no list or the entry is missing
     */
    public native String getCMAProjects();

    /**
     * The engine's report tools (entry {@code getReportTools}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the enter and exit lines, the engine
     * call, its status and the size of the list.
     *
     * @return the tools joined with ';'; the empty string when the engine's status is 0, it gives
     *     no list or the entry is missing
     */
    public native String getReportTools();

    /**
     * The engine's components (entry {@code getComponents}). Call after {@code initJniBridge};
     * any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; the empty string when the entry is missing
     */
    public native String getComponents();

    /**
     * Where the engine's help lies (entry {@code getTivraHelp}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call with the flag and its
     * result.
     *
     * @param html whether the HTML help is wanted
     * @return the engine's text; the empty string when the entry is missing
     */
    public native String getTivraHelp(boolean html);

    /**
     * The help for one context of the engine (entry {@code getTivraContextHelp}). Call after
     * {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call with the context and
     * its result.
     *
     * @param context the engine's help context code, passed unchecked
     * @return the engine's text; the empty string when the entry is missing
     */
    public native String getTivraContextHelp(int context);

    /**
     * Does nothing: kept for callers that set a user library. Any thread.
     *
     * <p>Log: writes nothing.
     *
     * @param library ignored; may be {@code null}
     */
    public native void setUserLibrary(String library);

    /**
     * Not implemented. Any thread.
     *
     * <p>Log: writes nothing.
     *
     * @param flag ignored
     * @return always "getUserLibrary: Not implemented yet."
     */
    public native String getUserLibrary(boolean flag);

    // Engine lifecycle

    /**
     * Reads the engine's deployment information (entry {@code initDeploymentInfo}); the first
     * engine call after {@code initJniBridge}. Any thread.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its status.
     *
     * @return the engine's status (0 is success); -1 when the entry is missing
     */
    public native long initDeploymentInfo();

    /**
     * Hands the engine its key (entry {@code setBindKey}). Call after {@code initJniBridge}; any
     * thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the key, the engine call and an exit line with the system error code.
     *
     * @param bindKey the key, passed unchanged; {@code null} leaves the engine uncalled
     */
    public native void setBindKey(String bindKey);

    /**
     * Starts the engine (entry {@code initApi}). Call after {@code initJniBridge}; any thread.
     *
     * <p>Log: level 1 has the missing-entry or null-argument line; level 2 the enter line with
     * the key, the engine call and an exit line with the system error code.
     *
     * @param bindKey the key, passed unchanged
     * @return the engine's status (0 is success); -1 when the entry is missing or the key is
     *     {@code null}
     */
    public native long initApi(String bindKey);

    /**
     * Ends the engine's work (entry {@code shutdownApi}). The engine library stays loaded, so
     * later calls still reach it. Any thread, after {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call.
     */
    public native void shutdownApi();

    /**
     * Ends the engine's application (entry {@code shutdownApp}); the library stays loaded. Any
     * thread, after {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call.
     */
    public native void shutdownApp();

    /**
     * Lets the engine drop its cached objects (entry {@code clearCachedObjects}). Any thread,
     * after {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call.
     */
    public native void clearCachedObjects();

    /**
     * Sets the bridge's log level and hands the same number to the engine's own log level
     * (entry {@code setLogLevel}); the bridge's level is set even when the entry is missing.
     * May be called at any time, from any thread, also before {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call with the level.
     *
     * @param level 0 silent, 1 errors, 2 errors and traces
     */
    public native void setDebugLevel(int level);

    /**
     * The engine's own log level (entry {@code getLogLevel}), not the bridge's. Any thread,
     * after {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's level; 0 when the entry is missing
     */
    public native long getDebugLevel();

    /**
     * The engine's version (entry {@code getVersionNumber}). Any thread, after
     * {@code initJniBridge}.
     *
     * <p>Log: level 1 has the missing-entry line; level 2 the engine call and its result.
     *
     * @return the engine's text; "0.0.0" when the entry is missing
     */
    public native String getVersionNumber();
}
