import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.ByteArrayInputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import javax.xml.parsers.DocumentBuilderFactory;

import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.w3c.dom.Element;
import org.w3c.dom.Node;

/**
 * The whole road against the sample engine: project, files, aggregation,
 * diagnostics, rules and trees, read back as a client reads them, each
 * document valid against its schema. The bridge
 * loads one engine per process, so this class runs in a JVM of its own (tag
 * "sample-engine").
 */
@Tag("sample-engine")
class SampleEngineRoadTest {
    private static final String SEP = String.valueOf(VorlanBridge.LIST_SEPARATOR);

    @TempDir
    Path dir;

    @Test
    void projectAggregationAndResultsThroughTheBridge() throws Exception {
        String engine = System.getProperty("vorlan.sampleEngine");
        assumeTrue(engine != null && Files.exists(Path.of(engine)), "no sample engine given");
        VorlanBridge bridge = BridgeLoader.bridge();
        try {
            road(bridge, engine);
        } catch (UnsatisfiedLinkError e) {
            assumeTrue(false, "the bridge lacks a native method: " + e.getMessage());
        }
    }

    private void road(VorlanBridge bridge, String engine) throws Exception {
        Path log = dir.resolve("bridge.log");
        bridge.setNativeLogFile(log.toString());
        bridge.setDebugLevel(2);
        assertEquals("OK", bridge.initJniBridge(engine));
        assertEquals("1.0.0", bridge.getVersionNumber());
        assertEquals(0L, bridge.initApi("key"));

        Path src = Files.createDirectories(dir.resolve("src"));
        Path flawed = src.resolve("flawed.c");
        Files.writeString(flawed, "int f(int x) {\n    if (x) goto done;  \n\treturn 1;\ndone:\n"
                + "    return 0; // TODO tidy up\n    /* FIXME later */\n}");
        Path clean = src.resolve("clean.cpp");
        Files.writeString(clean, "int main() { return 0; }\n");

        String location = dir.resolve("project").toString();
        assertEquals(0L, bridge.createProject(location, "road", "", "", ""));
        assertTrue(bridge.isTivraProject(location, "road"));
        assertEquals(0L, bridge.initProjectMngr("key", location, "road"));
        assertEquals("c;h;cpp;cc;cxx;hpp;hh;hxx", bridge.getFileExtensions());
        assertEquals(0L, bridge.addFile(0, flawed.toString(), "DEBUG" + SEP + "LEVEL=2", 2, src.toString(), 1));
        assertEquals(0L, bridge.addFile(1, clean.toString(), "", 0, "", 0));
        assertEquals(clean + ";" + flawed, bridge.getFiles());
        assertEquals("<KOF><IP>" + src + "</IP><DEF>DEBUG;LEVEL=2</DEF><SL>C</SL></KOF>",
                bridge.getKoFile(flawed.toString()));
        Schemas.validate("file-settings", bridge.getKoFile(flawed.toString()));
        Schemas.validate("languages", bridge.getAvailableLanguages());

        assertEquals(0L, bridge.initResults("key", location, "road"));
        bridge.aggregate();
        String trace = Files.readString(log, StandardCharsets.UTF_8);
        assertTrue(trace.contains("Aggregate progress is 0\n"), trace);
        assertTrue(trace.contains("Aggregate progress is 100\n"), trace);
        assertTrue(bridge.hasResults(flawed.toString()));
        assertTrue(bridge.hasUpToDateResults(flawed.toString()));

        Element list = parse("diagnostics", bridge.getDiagnostics(flawed.toString(), null, null, 0));
        List<String> found = new ArrayList<>();
        for (Element d : children(list, "KOD")) {
            Element at = child(d, "LI");
            found.add(text(child(d, "KOM"), "MN") + "@" + text(at, "L") + ":" + text(at, "C"));
        }
        assertEquals(List.of("2001@2:12", "1002@2:22", "1003@3:1", "2101@5:18", "2102@6:8", "1004@7:2"), found);
        Element jump = children(list, "KOD").get(0);
        assertEquals("goto jumps to label 'done'", text(child(jump, "KOM"), "MT"));
        assertEquals("2002", text(child(child(jump, "KOD"), "KOM"), "MN"));
        assertEquals(flawed.toString(), text(child(jump, "LI"), "F"));
        assertEquals(0, bridge.getDiagnostics(clean.toString(), null, null, 0).length);

        Element groups = parse("rule-groups", bridge.getRuleGroups());
        List<String> names = new ArrayList<>();
        for (Element g : children(groups, "KoRuleGroupEntry")) names.add(text(g, "RuleGroupName"));
        assertEquals(List.of("Layout", "Practice"), names);
        Schemas.validate("message-rule-map", bridge.getMessageRuleMap());
        String map = new String(bridge.getMessageRuleMap(), StandardCharsets.UTF_8);
        assertTrue(map.contains("<UMID>VSM-2001</UMID><UniqueRuleId>VSR-201</UniqueRuleId>"), map);

        Element trees = parse("trees", bridge.getTrees(false, 0, ""));
        assertEquals("6", text(child(trees, "FT"), "To"));
        assertEquals("6", text(child(trees, "RT"), "To"));
        assertEquals("7", text(child(trees, "MT"), "To"));  // the goto's label too
        Element onlyFlawed = parse("trees", bridge.getTrees(true, 1, src.toString()));
        assertEquals(1, children(child(onlyFlawed, "FT"), "SI").size());

        assertEquals(0L, bridge.removeFile(clean.toString()));
        assertEquals(flawed.toString(), bridge.getFiles());
        bridge.shutdownApi();
        bridge.shutdownApp();
        bridge.setNativeLogFile("");
    }

    /** The document's root, once it is valid against its schema. */
    private static Element parse(String schema, byte[] xml) throws Exception {
        Schemas.validate(schema, xml);
        return DocumentBuilderFactory.newInstance().newDocumentBuilder()
                .parse(new ByteArrayInputStream(xml)).getDocumentElement();
    }

    private static List<Element> children(Element parent, String name) {
        List<Element> found = new ArrayList<>();
        for (Node n = parent.getFirstChild(); n != null; n = n.getNextSibling()) {
            if (n instanceof Element && ((Element) n).getTagName().equals(name)) found.add((Element) n);
        }
        return found;
    }

    private static Element child(Element parent, String name) {
        List<Element> found = children(parent, name);
        assertTrue(!found.isEmpty(), "no <" + name + "> in <" + parent.getTagName() + ">");
        return found.get(0);
    }

    private static String text(Element parent, String name) {
        return child(parent, name).getTextContent();
    }
}
