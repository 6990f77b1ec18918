import java.util.List;

/**
 * The FFM roads as the harness sees them: the engine called through the Foreign Function & Memory
 * API (final since JDK 22), its records read and the documents written in Java, once plainly and
 * once tuned. Their code (bench/jvm/ffm/) is compiled apart for JDK 22 and later, so that everything
 * else still builds and runs on JDK 17; the harness loads it by name where the JVM can run it.
 */
interface Ffm {
    /** The four documents over one road, with the bridge's bytes. */
    interface Road {
        byte[] diagnostics(String filePath);

        byte[] ruleGroups();

        byte[] messageRuleMap();

        byte[] trees();
    }

    Road plain();

    Road tuned();

    int getCurrentLanguage();

    boolean hasResults(String sourceFile);

    /**
     * Checks the tuned road's text copy against the plain road's for texts at every alignment (the
     * engine's texts in the benchmark all start at multiples of 8); returns the number of texts
     * checked, or throws on the first difference.
     */
    int checkTexts();

    /** The per-call candidates of getCurrentLanguage. */
    List<Timing.Candidate> languageCalls();

    /** The per-call candidates of hasResults(sourceFile). */
    List<Timing.Candidate> resultsCalls(String sourceFile);

    /**
     * The FFM roads over the engine at `enginePath`, or null, with one line on standard error saying
     * why, where this JVM or the classpath has none.
     */
    static Ffm load(String enginePath) {
        final int feature = Runtime.version().feature();
        if (feature < 22) {
            System.err.println("bench-jvm: no FFM roads: this JVM is " + feature
                    + "; they run where a JDK 25 is installed when the build is configured");
            return null;
        }
        try {
            return (Ffm) Class.forName("FfmRoads").getDeclaredConstructor(String.class).newInstance(enginePath);
        } catch (ClassNotFoundException e) {
            System.err.println("bench-jvm: no FFM roads: they are not on the classpath");
            return null;
        } catch (ReflectiveOperationException e) {
            throw new IllegalStateException("the FFM roads cannot start", e);
        }
    }
}
