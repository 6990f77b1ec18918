package com.vorlanworks.bridge.caller;

/**
 * Native face of the bridge. Load the library first with
 * {@code System.load("/path/to/libVorlanBridge.so")} (or VorlanBridge.dll), then call
 * {@link #initJniBridge(String)} with the complete path of the engine library.
 *
 * Lists going to the bridge are one string whose items are separated by U+0019,
 * together with their count; lists coming back are joined with ';'.
 */
public class VorlanBridge {
    /** Separator of the list strings handed to the bridge. */
    public static final char LIST_SEPARATOR = '\u0019';

    // Start-up
    public native String initJniBridge(String libraryPath);
    public native void setNativeLogFile(String path);

    // Results
    public native long initResults(String bindKey, String location, String name);
    public native void aggregate();
    public native boolean hasResults(String filePath);
    public native boolean hasUpToDateResults(String filePath);
    public native byte[] getDiagnostics(String filePath, String messages, String rules, long mask);

    // Rule configuration
    public native byte[] getRuleGroups();
    public native byte[] getMessageRuleMap();

    // Projects
    public native long initProjectMngr(String bindKey, String location, String name);
    public native boolean isTivraProject(String location, String name);
    public native long createProject(String location, String name, String acfFile, String rcfFile, String cctFile);
    public native long addCCT(String cctFilePath);
    public native long setActiveCCT(int lang, String cctFileName);
    public native long addFile(long targetLanguage, String file, String defines, int definesSize, String includes, int includesSize);
    public native long removeFile(String filePath);
    public native String getFiles();
    public native String getKoFile(String filePath);
    public native String getFileExtensions();
    public native byte[] getTrees(boolean flag, int count, String list);

    // Environment and settings
    public native String getInstallPath();
    public native String getUserPath();
    public native String getInstallConfigPath();
    public native String getInstallBinaryPath();
    public native String getUserAppConfigPath();
    public native String getUserConfigPath();
    public native String getWorkspace();
    public native void setWorkspace(String path);
    public native String getAvailableLanguages();
    public native int getCurrentLanguage();
    public native void setCurrentLanguage(int language);
    public native String getCMAProjects();
    public native String getReportTools();
    public native String getComponents();
    public native String getTivraHelp(boolean html);
    public native String getTivraContextHelp(int context);
    public native void setUserLibrary(String library);
    public native String getUserLibrary(boolean flag);

    // Engine lifecycle
    public native long initDeploymentInfo();
    public native void setBindKey(String bindKey);
    public native long initApi(String bindKey);
    public native void shutdownApi();
    public native void shutdownApp();
    public native void clearCachedObjects();
    public native void setDebugLevel(int level);
    public native long getDebugLevel();
    public native String getVersionNumber();
}
