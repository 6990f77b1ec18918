import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.nio.charset.StandardCharsets;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;

/**
 * Every document the bridge writes from the scripted engine's records is valid against its schema
 * in schemas/: sample records, records broken in every way the bridge survives, and deep nesting.
 * The road against the sample engine validates its documents too (SampleEngineRoadTest).
 */
class SchemaTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final String engine = BridgeLoader.engine();

    @BeforeAll
    static void loadEngine() {
        assertEquals("OK", bridge.initJniBridge(engine));
    }

    @AfterEach
    void unscript() {
        EngineScript.removeRecords(engine);
    }

    /** Fetches the six documents and validates each. */
    static void validateAll() {
        Schemas.validate("diagnostics", bridge.getDiagnostics("/src/a.c", null, null, 0));
        Schemas.validate("rule-groups", bridge.getRuleGroups());
        Schemas.validate("message-rule-map", bridge.getMessageRuleMap());
        Schemas.validate("trees", bridge.getTrees(false, 0, ""));
        Schemas.validate("file-settings", bridge.getKoFile("/src/a.c"));
        Schemas.validate("languages", bridge.getAvailableLanguages());
    }

    @Test
    void sampleAndBrokenRecordsGiveValidDocuments() {
        assertTrue(EngineScript.useSampleRecords(engine));
        validateAll();
        assertTrue(EngineScript.useSchemaRecords(engine, 0));
        validateAll();
        // What the broken records come out as where the schemas allow a choice.
        String trees = new String(bridge.getTrees(false, 0, ""), StandardCharsets.UTF_8);
        assertTrue(trees.startsWith("<Tr><FT></FT><MT><Ty>0</Ty>"), trees);
        assertEquals("<KOL><L>1</L><L>0</L></KOL>", bridge.getAvailableLanguages());
    }

    @Test
    void deeplyNestedRecordsGiveValidDocuments() {
        int depth = 3000;
        assertTrue(EngineScript.useSchemaRecords(engine, depth));
        byte[] diagnostics = bridge.getDiagnostics("/src/a.c", null, null, 0);
        Schemas.validate("diagnostics", diagnostics);
        assertEquals(depth, count(diagnostics, "<KOD>"));
        byte[] rules = bridge.getRuleGroups();
        Schemas.validate("rule-groups", rules);
        assertEquals(depth, count(rules, "<Rule>"));
        byte[] trees = bridge.getTrees(false, 0, "");
        Schemas.validate("trees", trees);
        assertEquals(depth, count(trees, "<SI>"));  // below the three roots: depth - 1, 0 and 1
    }

    /** The schemas are strict enough to notice a document that drifted. */
    @Test
    void schemasRejectDriftedDocuments() throws Exception {
        String message = "<KOM><UMID>u</UMID><HFL></HFL><ML>1</ML><MN>1</MN><MT>t</MT><P>p</P></KOM>";
        assertTrue(Schemas.valid("diagnostics", "<KOE><KOD>" + message + "<MH>true</MH><SS>0</SS><SD>false</SD></KOD></KOE>"));
        // flags out of order, a boolean as a digit, a message without its text
        assertFalse(Schemas.valid("diagnostics", "<KOE><KOD>" + message + "<SS>0</SS><MH>true</MH><SD>false</SD></KOD></KOE>"));
        assertFalse(Schemas.valid("diagnostics", "<KOE><KOD>" + message + "<MH>1</MH><SS>0</SS><SD>false</SD></KOD></KOE>"));
        assertFalse(Schemas.valid("diagnostics", "<KOE><KOD>" + message.replace("<MT>t</MT>", "")
                + "<MH>true</MH><SS>0</SS><SD>false</SD></KOD></KOE>"));
        assertFalse(Schemas.valid("trees", "<Tr><FT></FT><RT></RT><MT></MT></Tr>"));
        assertFalse(Schemas.valid("trees", "<Tr><FT></FT><MT></MT><RT><Ty>9</Ty><N/><D/><To>0</To><A>0</A></RT></Tr>"));
        assertFalse(Schemas.valid("rule-groups", "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>G</RuleGroupName>"
                + "<Rule><RuleId>R</RuleId><IsActive>2</IsActive><HFL/><RuleGroupStr/><RuleText/><RuleUID/></Rule>"
                + "</KoRuleGroupEntry></KoRuleGrouping>"));
        assertFalse(Schemas.valid("languages", "<KOL><L>3</L></KOL>"));
        assertFalse(Schemas.valid("file-settings", "<KOF><DEF></DEF><IP></IP><SL>C</SL></KOF>"));
        assertFalse(Schemas.valid("message-rule-map", "<KoMessageRuleMapping><KoMessageRuleMapEntry>"
                + "<UniqueRuleId>R</UniqueRuleId></KoMessageRuleMapEntry></KoMessageRuleMapping>"));
    }

    static int count(byte[] document, String tag) {
        String text = new String(document, StandardCharsets.UTF_8);
        int n = 0;
        for (int at = text.indexOf(tag); at >= 0; at = text.indexOf(tag, at + 1)) ++n;
        return n;
    }
}
