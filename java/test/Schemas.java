import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.HashMap;
import java.util.Map;

import javax.xml.XMLConstants;
import javax.xml.transform.stream.StreamSource;
import javax.xml.validation.Schema;
import javax.xml.validation.SchemaFactory;
import javax.xml.validation.Validator;

import org.xml.sax.SAXException;

/** The schemas of the six documents (-Dvorlan.schemas), read once, with the JDK's validator. */
final class Schemas {
    private static final Map<String, Schema> loaded = new HashMap<>();

    private Schemas() {}

    static synchronized Schema schema(String name) throws SAXException {
        Schema schema = loaded.get(name);
        if (schema == null) {
            Path file = Path.of(System.getProperty("vorlan.schemas"), name + ".xsd");
            schema = SchemaFactory.newInstance(XMLConstants.W3C_XML_SCHEMA_NS_URI).newSchema(file.toFile());
            loaded.put(name, schema);
        }
        return schema;
    }

    /**
     * A validator for schemas/{name}.xsd without a limit on element depth: the documents nest
     * without one, and JDK 24 and later stop at 100 elements by default.
     */
    private static Validator validator(String name) throws SAXException {
        Validator validator = schema(name).newValidator();
        validator.setProperty("http://www.oracle.com/xml/jaxp/properties/maxElementDepth", 0);
        return validator;
    }

    /** Fails unless the document is there and valid against schemas/{name}.xsd. */
    static void validate(String name, byte[] document) {
        assertTrue(document.length > 0, name + ": no document");
        try {
            validator(name).validate(new StreamSource(new ByteArrayInputStream(document)));
        } catch (SAXException | IOException e) {
            String text = new String(document, StandardCharsets.UTF_8);
            fail(name + ": " + e.getMessage() + " in " + (text.length() > 400 ? text.substring(0, 400) + "..." : text));
        }
    }

    static void validate(String name, String document) {
        validate(name, document.getBytes(StandardCharsets.UTF_8));
    }

    /** Whether the document is valid, for the cases that must not be. */
    static boolean valid(String name, String document) throws SAXException, IOException {
        try {
            validator(name).validate(new StreamSource(
                    new ByteArrayInputStream(document.getBytes(StandardCharsets.UTF_8))));
            return true;
        } catch (SAXException e) {
            return false;
        }
    }
}
