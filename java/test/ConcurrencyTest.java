import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.CyclicBarrier;
import java.util.function.Supplier;

import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Eight Java threads calling the bridge at once, 10,000 mixed calls each, after
 * one initJniBridge, against the scripted engine, with the trace going to a log
 * file that keeps being switched. Every result must be the expected one, the
 * engine must see every call with its arguments and get back every record it
 * handed out, and the logs must hold whole lines.
 */
class ConcurrencyTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final String ENGINE = BridgeLoader.engine();
    static final String SEP = String.valueOf(VorlanBridge.LIST_SEPARATOR);
    static final int THREADS = 8;
    static final int CALLS = 10_000;

    /** One kind of call, its expected result, and the calls the engine sees for it. */
    static final class Kind {
        final String name;
        final Supplier<String> call;
        final String expected;
        final String[] engineLines;

        Kind(String name, Supplier<String> call, String expected, String... engineLines) {
            this.name = name;
            this.call = call;
            this.expected = expected;
            this.engineLines = engineLines;
        }
    }

    static String text(byte[] bytes) {
        return bytes == null ? "<null>" : new String(bytes, StandardCharsets.UTF_8);
    }

    static List<Kind> kinds() {
        List<Kind> kinds = new ArrayList<>();
        kinds.add(new Kind("getDiagnostics", () -> text(bridge.getDiagnostics("/src/a.c", null, null, 0L)),
                "<KOE><KOD><KOM><UMID>M1</UMID><HFL>h.html</HFL><ML>2</ML><MN>0042</MN><MT>a &lt; b</MT><P>P</P>"
                        + "<R><![CDATA[r1]]></R></KOM><MH>true</MH><SS>2</SS><SD>true</SD>"
                        + "<KOD><KOM><UMID>M2</UMID><HFL></HFL><ML>1</ML><MN>7</MN><MT>t</MT><P>P</P></KOM>"
                        + "<MH>false</MH><SS>0</SS><SD>false</SD></KOD>"
                        + "<MP><![CDATA[p1]]></MP><LI><F>/src/a.c</F><L>3</L><C>7</C></LI></KOD></KOE>",
                "getDiagnostics(/src/a.c, <null>, <null>, 0)", "freeDiagnostics()"));
        kinds.add(new Kind("getRuleGroups", () -> text(bridge.getRuleGroups()),
                "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>G</RuleGroupName>"
                        + "<Rule><RuleId>R1</RuleId><IsActive>1</IsActive><HFL>hR1</HFL><RuleGroupStr>G</RuleGroupStr>"
                        + "<RuleText>tR1</RuleText><RuleUID>UR1</RuleUID><RuleCategory>c1</RuleCategory>"
                        + "<Rule><RuleId>R1.1</RuleId><IsActive>0</IsActive><HFL>hR1.1</HFL><RuleGroupStr>G</RuleGroupStr>"
                        + "<RuleText>tR1.1</RuleText><RuleUID>UR1.1</RuleUID></Rule></Rule>"
                        + "<Rule><RuleId>R2</RuleId><IsActive>1</IsActive><HFL>hR2</HFL><RuleGroupStr>G</RuleGroupStr>"
                        + "<RuleText>tR2</RuleText><RuleUID>UR2</RuleUID></Rule></KoRuleGroupEntry></KoRuleGrouping>",
                "getRuleGroups()", "freeRuleGroups()"));
        kinds.add(new Kind("getMessageRuleMap", () -> text(bridge.getMessageRuleMap()),
                "<KoMessageRuleMapping><KoMessageRuleMapEntry><UMID>M1</UMID><UniqueRuleId>R1</UniqueRuleId>"
                        + "<UniqueRuleId>R2</UniqueRuleId></KoMessageRuleMapEntry>"
                        + "<KoMessageRuleMapEntry><UMID>M2</UMID></KoMessageRuleMapEntry></KoMessageRuleMapping>",
                "getMessageRuleMap()", "freeMessageRuleMap()"));
        kinds.add(new Kind("getTrees", () -> text(bridge.getTrees(true, 2, "a" + SEP + "b")),
                "<Tr><FT><Ty>0</Ty><N>files</N><D></D><To>2</To><A>1</A>"
                        + "<SI><Ty>3</Ty><N>a.c</N><D>d</D><To>1</To><A>1</A></SI></FT>"
                        + "<MT><Ty>2</Ty><N>messages</N><D></D><To>1</To><A>0</A></MT>"
                        + "<RT><Ty>1</Ty><N>rules</N><D></D><To>0</To><A>0</A></RT></Tr>",
                "getTrees(true, 2, [a|b])", "freeTrees()"));
        kinds.add(new Kind("getKoFile", () -> bridge.getKoFile("/src/a.c"),
                "<KOF><IP>/inc</IP><DEF>A;B=1</DEF><SL>C++</SL></KOF>", "getKoFile(/src/a.c)", "freeKoFile()"));
        kinds.add(new Kind("getFiles", bridge::getFiles, "/src/a.c;/src/b.c", "getFiles()"));
        kinds.add(new Kind("getFileExtensions", bridge::getFileExtensions, ".c;.h;.cpp",
                "getMappedFileExtensions(0)", "getMappedFileExtensions(1)", "freeStrings()", "freeStrings()"));
        kinds.add(new Kind("getAvailableLanguages", bridge::getAvailableLanguages, "<KOL><L>0</L><L>2</L></KOL>",
                "getAvailableLanguages()", "freeLanguages()"));
        kinds.add(new Kind("getCMAProjects", bridge::getCMAProjects, "p1;p2", "getCMAProjectList()", "freeStrings()"));
        kinds.add(new Kind("getReportTools", bridge::getReportTools, "t1", "getReportTools()", "freeStrings()"));
        kinds.add(new Kind("getInstallPath", bridge::getInstallPath, "getInstallPath text", "getInstallPath()"));
        kinds.add(new Kind("getVersionNumber", bridge::getVersionNumber, "getVersionNumber text",
                "getVersionNumber()"));
        kinds.add(new Kind("hasResults", () -> String.valueOf(bridge.hasResults("/src/a.c")), "true",
                "hasResults(/src/a.c)"));
        kinds.add(new Kind("hasUpToDateResults", () -> String.valueOf(bridge.hasUpToDateResults("/src/a.c")),
                "true", "hasUptoDateResults(/src/a.c)"));
        kinds.add(new Kind("addFile",
                () -> String.valueOf(bridge.addFile(1L, "/src/x.c", "A" + SEP + "B=1", 2, "/inc", 1)), "0",
                "addFile(1, /src/x.c, 2, [A|B=1], 1, [/inc])"));
        kinds.add(new Kind("getCurrentLanguage", () -> String.valueOf(bridge.getCurrentLanguage()), "2",
                "getCurrentLanguage()"));
        kinds.add(new Kind("aggregate", () -> {
            bridge.aggregate();
            return "";
        }, "", "aggregate(callback)"));
        kinds.add(new Kind("setDebugLevel", () -> {
            bridge.setDebugLevel(2);
            return String.valueOf(bridge.getDebugLevel());
        }, "0", "setLogLevel(2)", "getLogLevel()"));
        kinds.add(new Kind("initJniBridge", () -> bridge.initJniBridge(ENGINE), "OK"));
        return kinds;
    }

    @BeforeAll
    static void scriptTheEngine() {
        assertEquals("OK", bridge.initJniBridge(ENGINE));
        assertTrue(EngineScript.useSampleRecords(ENGINE));
    }

    @AfterAll
    static void quietTheEngine() {
        bridge.setDebugLevel(0);
        bridge.setNativeLogFile("");
        EngineScript.removeRecords(ENGINE);
    }

    /** Every "\nCall " starts a whole call line: lines of different threads never run into each other. */
    static void assertWholeCallLines(String log) {
        for (int at = log.indexOf("\nCall "); at >= 0; at = log.indexOf("\nCall ", at + 1)) {
            int end = log.indexOf('\n', at + 6);
            assertTrue(end > 0, log.substring(at));
            String name = log.substring(at + 6, log.charAt(end - 1) == ' ' ? end - 1 : end);
            assertTrue(name.matches("[A-Za-z]+"), "broken call line: " + log.substring(at, Math.min(log.length(), at + 60)));
        }
    }

    @Test
    void eightThreadsMakeTenThousandMixedCallsEach(@TempDir Path dir) throws Exception {
        List<Kind> kinds = kinds();
        int switchLog = kinds.size();
        Path[] logs = {dir.resolve("first.log"), dir.resolve("second.log")};
        bridge.setNativeLogFile(logs[0].toString());
        bridge.setDebugLevel(2);

        ConcurrentLinkedQueue<String> failures = new ConcurrentLinkedQueue<>();
        int[][] made = new int[THREADS][kinds.size() + 1];
        CyclicBarrier start = new CyclicBarrier(THREADS);
        Thread[] threads = new Thread[THREADS];
        for (int t = 0; t < THREADS; ++t) {
            int id = t;
            threads[t] = new Thread(() -> {
                try {
                    start.await();
                } catch (Exception e) {
                    failures.add(e.toString());
                    return;
                }
                for (int i = 0; i < CALLS; ++i) {
                    int k = (i * 7 + id) % (kinds.size() + 1);
                    made[id][k]++;
                    if (k == switchLog) {
                        bridge.setNativeLogFile(logs[id % 2].toString());
                        continue;
                    }
                    Kind kind = kinds.get(k);
                    String result;
                    try {
                        result = kind.call.get();
                    } catch (Throwable e) {
                        result = e.toString();
                    }
                    if (!kind.expected.equals(result) && failures.size() < 20)
                        failures.add("thread " + id + ": " + kind.name + " gave " + result);
                }
            });
            threads[t].start();
        }
        for (Thread thread : threads) thread.join();
        assertTrue(failures.isEmpty(), String.join("\n", failures));

        // The engine saw every call once, with its arguments, and got every record back.
        Map<String, Integer> expected = new TreeMap<>();
        expected.put("setLogLevel(2)", 1);  // the setDebugLevel before the threads
        int releases = 0;
        for (int t = 0; t < THREADS; ++t)
            for (int k = 0; k < kinds.size(); ++k)
                for (String line : kinds.get(k).engineLines) {
                    expected.merge(line, made[t][k], Integer::sum);
                    if (line.startsWith("free")) releases += made[t][k];
                }
        Map<String, Integer> seen = new TreeMap<>();
        for (String line : expected.keySet()) seen.put(line, EngineScript.callCount(ENGINE, line));
        assertEquals(expected, seen);
        assertArrayEquals(new int[] {releases, 0}, EngineScript.releases(ENGINE));

        // The switched logs hold whole lines; a last call alone is traced in full.
        for (Path log : logs) assertWholeCallLines(Files.readString(log));
        Path last = dir.resolve("last.log");
        bridge.setNativeLogFile(last.toString());
        assertEquals("getVersionNumber text", bridge.getVersionNumber());
        assertEquals("\nCall GetVersionNumber \n\t> API CALL - getVersionNumber\n\t< Result: getVersionNumber text\n",
                Files.readString(last));
    }
}
