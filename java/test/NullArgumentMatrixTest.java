import static org.junit.jupiter.api.Assertions.assertEquals;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.function.Function;

import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.DynamicTest;
import org.junit.jupiter.api.TestFactory;

/**
 * Every native method with each of its String arguments null in turn, in a real JVM under
 * -Xcheck:jni: no exception, no JNI complaint, the method's fallback.
 */
class NullArgumentMatrixTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final byte[] NO_BYTES = new byte[0];
    static final Object VOID = "void";

    /** One native method: its String parameters, which it never reads, its answer to a null one. */
    static final class Method {
        final String name;
        final List<String> parameters;
        final List<String> unread = new ArrayList<>();
        final Object answer;
        final Function<String[], Object> call;

        Method(String name, List<String> parameters, Object answer, Function<String[], Object> call) {
            this.name = name;
            this.parameters = parameters;
            this.answer = answer;
            this.call = call;
        }

        Method unread(String... names) {
            unread.addAll(Arrays.asList(names));
            return this;
        }
    }

    static Method method(String name, List<String> parameters, Object answer, Function<String[], Object> call) {
        return new Method(name, parameters, answer, call);
    }

    static Object none(Runnable call) {
        call.run();
        return VOID;
    }

    static final List<Method> METHODS = List.of(
            method("initJniBridge", List.of("libraryPath"), "Please select a path for Vorlan.dll file!",
                    a -> bridge.initJniBridge(a[0])),
            method("setNativeLogFile", List.of("path"), VOID, a -> none(() -> bridge.setNativeLogFile(a[0]))),
            method("initResults", List.of("bindKey", "location", "name"), -1L,
                    a -> bridge.initResults(a[0], a[1], a[2])),
            method("hasResults", List.of("filePath"), false, a -> bridge.hasResults(a[0])),
            method("hasUpToDateResults", List.of("filePath"), false, a -> bridge.hasUpToDateResults(a[0])),
            method("getDiagnostics", List.of("filePath", "messages", "rules"), NO_BYTES,
                    a -> bridge.getDiagnostics(a[0], a[1], a[2], 0L)).unread("messages", "rules"),
            method("initProjectMngr", List.of("bindKey", "location", "name"), -1L,
                    a -> bridge.initProjectMngr(a[0], a[1], a[2])),
            method("isTivraProject", List.of("location", "name"), false, a -> bridge.isTivraProject(a[0], a[1])),
            method("createProject", List.of("location", "name", "acfFile", "rcfFile", "cctFile"), -1L,
                    a -> bridge.createProject(a[0], a[1], a[2], a[3], a[4])),
            method("addCCT", List.of("cctFilePath"), -1L, a -> bridge.addCCT(a[0])),
            method("setActiveCCT", List.of("cctFileName"), -1L, a -> bridge.setActiveCCT(1, a[0])),
            method("addFile", List.of("file", "defines", "includes"), -1L,
                    a -> bridge.addFile(1L, a[0], a[1], 1, a[2], 1)),
            method("removeFile", List.of("filePath"), -1L, a -> bridge.removeFile(a[0])),
            method("getKoFile", List.of("filePath"), "", a -> bridge.getKoFile(a[0])),
            method("getTrees", List.of("list"), NO_BYTES, a -> bridge.getTrees(true, 1, a[0])),
            // With no items the list is never read.
            method("getTrees of no items", List.of("list"), NO_BYTES, a -> bridge.getTrees(true, 0, a[0]))
                    .unread("list"),
            method("setWorkspace", List.of("path"), VOID, a -> none(() -> bridge.setWorkspace(a[0]))),
            method("setUserLibrary", List.of("library"), VOID, a -> none(() -> bridge.setUserLibrary(a[0])))
                    .unread("library"),
            method("setBindKey", List.of("bindKey"), VOID, a -> none(() -> bridge.setBindKey(a[0]))),
            method("initApi", List.of("bindKey"), -1L, a -> bridge.initApi(a[0])));

    @BeforeAll
    static void loadEngine() {
        assertEquals("OK", bridge.initJniBridge(BridgeLoader.engine()));
    }

    /** Comparable form of an answer: byte[] by content. */
    static Object shown(Object answer) {
        return answer instanceof byte[] ? Arrays.toString((byte[]) answer) : answer;
    }

    static String[] arguments(Method m, int nullIndex) {
        String[] args = new String[m.parameters.size()];
        for (int i = 0; i < args.length; ++i) args[i] = i == nullIndex ? null : "a";
        return args;
    }

    @TestFactory
    List<DynamicTest> eachStringArgumentNullInTurn() {
        List<DynamicTest> tests = new ArrayList<>();
        for (Method m : METHODS) {
            for (int i = 0; i < m.parameters.size(); ++i) {
                final int index = i;
                final String parameter = m.parameters.get(i);
                tests.add(DynamicTest.dynamicTest(m.name + "(" + parameter + " = null)", () -> {
                    // An argument the method never reads changes nothing when null.
                    Object expected = m.unread.contains(parameter) ? m.call.apply(arguments(m, -1)) : m.answer;
                    assertEquals(shown(expected), shown(m.call.apply(arguments(m, index))));
                }));
            }
        }
        assertEquals(33, tests.size());
        return tests;
    }
}
